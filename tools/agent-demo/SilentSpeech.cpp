#include "SilentSpeech.h"

#include <QRegularExpression>

using tk::agent::MouthShape;

namespace {

MouthShape shapeOfLetter(QChar letter) {
    switch (letter.toLower().unicode()) {
    case 'a':
    case 'h':
    case 'k':
    case 'g':
    case 'c':
        return MouthShape::Open;
    case 'e':
    case 'i':
    case 'y':
    case 's':
    case 'z':
        return MouthShape::Wide;
    case 'o':
        return MouthShape::Round;
    case 'u':
    case 'w':
    case 'q':
        return MouthShape::Pucker;
    case 'f':
    case 'v':
        return MouthShape::Teeth;
    case 'l':
    case 't':
    case 'd':
    case 'n':
    case 'r':
        return MouthShape::Tongue;
    default:
        return MouthShape::Closed;
    }
}

} // namespace

SilentSpeech::SilentSpeech(QObject* parent) : SpeechOutput(parent) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SilentSpeech::next);
}

void SilentSpeech::speak(const QString& text, const tk::agent::VoiceSettings& voice, int) {
    stop();
    const int wordMs = 60000 / qMax(80, voice.rate);
    static const QRegularExpression word(QStringLiteral("\\S+"));
    int at = 0;
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        m_events.append(
            {at, int(match.capturedStart()), int(match.capturedLength()), MouthShape::Closed});
        const QString letters = match.captured();
        const int perLetter = qMax(40, wordMs / qMax(1, int(letters.size())));
        for (int i = 0; i < letters.size(); ++i)
            m_events.append({at + i * perLetter, -1, 0, shapeOfLetter(letters[i])});
        at += qMax(wordMs, perLetter * int(letters.size()));
        m_events.append({at - 30, -1, 0, MouthShape::Closed});
    }
    m_events.append({at + 120, -1, 0, MouthShape::Closed});
    m_elapsedMs = 0;
    m_timer.start(0);
}

void SilentSpeech::stop() {
    m_timer.stop();
    m_events.clear();
}

void SilentSpeech::next() {
    while (!m_events.isEmpty() && m_events.first().atMs <= m_elapsedMs) {
        const Event event = m_events.takeFirst();
        if (event.wordPosition >= 0)
            emit wordStarted(event.wordPosition, event.wordLength);
        else
            emit mouthChanged(event.mouth);
    }
    if (m_events.isEmpty()) {
        emit finished();
        return;
    }
    const int wait = m_events.first().atMs - m_elapsedMs;
    m_elapsedMs = m_events.first().atMs;
    m_timer.start(wait);
}
