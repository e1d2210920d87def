#pragma once

#include "agent/api/SpeechInput.h"
#include "agent/listening/CommandGrammar.h"
#include "agent/listening/ConfidenceRule.h"
#include "agent/listening/NoiseSuppressor.h"
#include "agent/listening/SpeechModelFiles.h"
#include "agent/listening/SphinxDecoder.h"

#include <QSet>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tk::agent::listening {

class PronunciationResolver;

// The outcome of one utterance.
struct Recognition {
    QString command;        // the command raised; "" when the utterance matched none well enough
    QString phrase;         // the registered phrase heard; "" when rejected
    QString decoded;        // the grammar's best phrase (spoken form), accepted or not
    bool addressed = false; // the words decoded began with the character's name
    bool nameOnly = false;  // the character's name alone was decoded
    QString phones;         // what the phone loop heard, for diagnostics
    Confidence confidence;
    int frames = 0;
};

// Recognizes utterances against the phrases of the registered commands: a grammar
// decoder and a phone-loop decoder listen to the same audio side by side, and the
// comparison of the two (ConfidenceRule) decides whether the phrase was really said.
class CommandRecognizer {
public:
    // Loads both decoders; null with a reason in error when the model cannot be loaded.
    static std::unique_ptr<CommandRecognizer> create(const SpeechModelFiles& model, QString* error);
    ~CommandRecognizer();
    CommandRecognizer(const CommandRecognizer&) = delete;
    CommandRecognizer& operator=(const CommandRecognizer&) = delete;

    // Makes commands the recognizable set, each phrase optionally led by name (the
    // character's name, "" for none), giving their words pronunciations from
    // resolver first. Returns the words that nothing could pronounce; the phrases
    // that use them are left out. Applies from the next utterance on.
    QStringList setCommands(const QList<VoiceCommand>& commands,
                            const PronunciationResolver& resolver, const QString& name = {});
    // The phrases currently recognizable.
    const CommandGrammar& grammar() const { return m_grammar; }

    void setRule(const ConfidenceRule& rule) { m_rule = rule; }
    const ConfidenceRule& rule() const { return m_rule; }

    // Whether the phone loop runs only on utterances whose words begin with the
    // character's name (or are the name alone); any other utterance then raises
    // no command. Always listening, this spares most of the decoding of
    // background talk. Applies to the utterance in progress too.
    void setAddressedOnly(bool on) { m_addressedOnly = on; }
    bool addressedOnly() const { return m_addressedOnly; }

    // Whether the decoders hear an utterance in loud noise (its speech less than
    // kLoudNoiseDb over the noise, see setSpeechOverNoise) with the steady part of the
    // noise reduced (NoiseSuppressor), the noise learned from the utterance's first
    // moments (the detector's pre-roll, heard before the speech began). Speech
    // clearly above the noise is decoded as heard: there the suppressor's changes to
    // the spectrum cost more than the noise it removes. On by default.
    void setNoiseSuppression(bool on, const NoiseSuppressorSettings& settings = {});
    bool noiseSuppression() const { return m_suppressNoise; }
    // How far the utterance's speech so far stands over the noise (dB), as the voice
    // activity detector measures it; decides whether its noise is suppressed.
    void setSpeechOverNoise(double db);
    static constexpr double kLoudNoiseDb = 22.0;

    void beginUtterance();
    // Adds audio to the utterance; it is decoded as a whole when judged, which
    // normalizes its features over all of it as the model was trained, not by a
    // running estimate that a short utterance leaves poorly settled.
    void process(std::span<const std::int16_t> samples);
    // How the utterance so far ends, which decides how long a pause must be to end it.
    enum class PhraseEnd {
        Open,      // on no whole phrase: the full hangover
        Complete,  // on a whole phrase that no longer phrase continues: a short pause
        Continued, // on a whole phrase that longer phrases of the same command continue
    };
    PhraseEnd phraseEnd();
    // Whether the words of the utterance so far begin with the name or are the
    // name alone (decodes with the grammar only when addressedOnly()).
    bool decodesAsAddressed();
    // Ends the utterance and recognizes it; speechOverNoiseDb is how far its speech
    // stood above the noise (see Confidence).
    Recognition endUtterance(double speechOverNoiseDb = 0);
    // Drops the utterance in progress without decoding it.
    void cancelUtterance();
    bool inUtterance() const { return m_inUtterance; }

private:
    CommandRecognizer(std::unique_ptr<SphinxDecoder> words, std::unique_ptr<SphinxDecoder> phones);
    // Decodes the audio so far, once per length of audio: both decoders at once, or
    // with addressedOnly() the grammar first and the phone loop only when
    // phonesNeeded and the words are addressed.
    void decodeAudio(bool phonesNeeded);
    // Makes m_decoderAudio of the utterance so far: the audio, its noise reduced
    // when suppressNoise() says so, plus the dither.
    void prepareDecoderAudio();
    bool suppressNoise() const;

    std::unique_ptr<SphinxDecoder> m_words;
    std::unique_ptr<SphinxDecoder> m_phones;
    CommandGrammar m_grammar;
    QSet<QString> m_addedPronunciations;
    ConfidenceRule m_rule;
    bool m_inUtterance = false;
    std::vector<std::int16_t> m_audio;        // the utterance so far, as heard
    std::vector<std::int16_t> m_dither;       // the dither added to each sample of it
    std::vector<std::int16_t> m_decoderAudio; // what the decoders get
    std::uint32_t m_ditherState = 1;
    bool m_suppressNoise = true;
    NoiseSuppressor m_suppressor;
    double m_speechOverNoiseDb = 0;
    bool m_suppressedDecoderAudio = false; // whether m_decoderAudio had its noise suppressed
    bool m_addressedOnly = false;
    bool m_decoded = false;       // whether m_decodedWords is of the audio so far
    bool m_phonesDecoded = false; // whether m_decodedPhones is too
    DecodeResult m_decodedWords;
    DecodeResult m_decodedPhones;
};

} // namespace tk::agent::listening
