#pragma once

#include <QObject>
#include <QString>

namespace tk::agent {

// Mouth shapes that speech drives, from closed to the shapes of the main sound
// groups. The character file draws one overlay for each.
enum class MouthShape {
    Closed, // rest, and the lip sounds m, b, p
    Open,   // open vowels: a as in "father"
    Wide,   // spread vowels: e, i
    Round,  // o, aw
    Pucker, // u, w, oo
    Teeth,  // f, v
    Tongue, // l, th, n, d, t
};
inline constexpr int kMouthShapeCount = 7;

// How a character speaks, as its character file says.
struct VoiceSettings {
    QString voice = QStringLiteral("en-us"); // synthesizer voice name
    int rate = 170;                          // words per minute
    int pitch = 50;                          // 0 to 100
    int range = 50;                          // pitch range, 0 to 100
    int volume = 100;                        // percent
};

// Speech output of one character: synthesis, playback and the timing of words
// and mouth shapes. Speak returns at once; the signals arrive on the thread that
// owns this object while the audio plays.
class SpeechOutput : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SpeechOutput() override = default;
    SpeechOutput(const SpeechOutput&) = delete;
    SpeechOutput& operator=(const SpeechOutput&) = delete;

    // Starts speaking text; a speech already under way is stopped first.
    virtual void speak(const QString& text, const VoiceSettings& voice, int languageId) = 0;
    // Stops at once; no further signals come for the stopped speech.
    virtual void stop() = 0;
    // Whether a speech is under way.
    virtual bool isSpeaking() const = 0;

signals:
    // The word at [position, position + length) of the text is being heard now.
    void wordStarted(int position, int length);
    // The mouth should show shape now.
    void mouthChanged(tk::agent::MouthShape shape);
    // The speech has been heard to its end (not emitted after stop()).
    void finished();
};

} // namespace tk::agent
