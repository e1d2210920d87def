#pragma once

#include "agent/characterfile/BalloonSettings.h"
#include "agent/speech/BalloonLayout.h"
#include "agent/speech/BalloonText.h"

#include <QImage>
#include <QPropertyAnimation>
#include <QTimer>
#include <QWidget>

namespace tk::agent::speech {

// The word balloon of one character: a frameless, always-on-top window that
// never takes the focus (clicks pass through it) and shows the spoken text word by word, beside the
// character's window and wholly on the screen. Plain text only. Drawn with
// per-pixel transparency under a compositor and with a shape mask otherwise.
//
// For screen readers it is a notification named with the whole speech, which
// they announce once as the balloon appears.
//
// The runtime feeds it: setAnchor() whenever the character's window moves,
// beginSpeech() when a speech starts, revealWord() for each word heard,
// finishSpeech() when it has been heard, clear() when speech stops or the
// character goes away.
class WordBalloon : public QWidget {
    Q_OBJECT
public:
    explicit WordBalloon(const BalloonSettings& settings = {}, QWidget* parent = nullptr);

    // Changes the look; a balloon on the screen is redrawn.
    void setSettings(const BalloonSettings& settings);
    const BalloonSettings& settings() const { return m_settings; }

    // The character's window, in screen coordinates; the balloon follows it.
    void setAnchor(const QRect& figureGeometry);
    // A new speech: the balloon empties and shows again with its first word.
    // Text without anything visible shows no balloon.
    void beginSpeech(const QString& text);
    // The word at [position, position + length) of the text is heard: show the
    // text up to its end.
    void revealWord(int position, int length);
    // The speech has been heard: show all of it, then fade away after a moment.
    void finishSpeech();
    // Hides at once and forgets the text (speech stopped, character hidden or gone).
    void clear();

    // The lines on show, top to bottom.
    QStringList shownLines() const { return m_view.lines; }
    // The balloon's shape as it shows now: its window member is the screen
    // rectangle of what is drawn, which may be smaller than the widget, sized
    // for the whole speech so that it never moves while words appear.
    const BalloonGeometry& placement() const { return m_geometry; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void relayout();
    void render();
    void startFade();

    BalloonSettings m_settings;
    QRect m_anchor;
    QString m_text;
    BalloonText m_layoutText;
    qreal m_wrapWidth = 0;
    int m_revealed = 0;
    BalloonText::View m_view;
    qreal m_revealedWidth = 0;
    BalloonGeometry m_geometry;
    QImage m_picture;
    bool m_translucent = false;
    QTimer m_linger;
    QPropertyAnimation m_fade;
};

} // namespace tk::agent::speech
