#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

namespace tk::agent::speech {

// The text of a word balloon, wrapped once for the whole speech so that words
// never jump between lines as they appear. Plain text: nothing in it is read as
// markup. Breaks lines at line ends (CR, LF, CR LF) and at the wrap width.
class BalloonText {
public:
    BalloonText() = default;
    BalloonText(const QString& text, const QFont& font, qreal wrapWidth);

    // A line as the UTF-16 span of the text it shows.
    struct Line {
        int start = 0;
        int length = 0;
    };
    // What shows when the text is revealed up to an end.
    struct View {
        QStringList lines; // the latest lines at most maxLines, each cut at the end
        QSizeF size;       // the size they need: the widest revealed line, all shown lines
    };

    const QString& text() const { return m_text; }
    const std::vector<Line>& lines() const { return m_lines; }
    qreal lineHeight() const { return m_lineHeight; }
    // Whether the text has anything to show at all.
    bool hasVisibleText() const;

    // Where the revealed text ends once the word [position, position + length)
    // is heard: after the word and any punctuation that clings to it.
    int revealEnd(int position, int length) const;
    // The lines to show with the text revealed up to end.
    View view(int end, int maxLines) const;
    // The size once everything is revealed.
    QSizeF fullSize(int maxLines) const;

private:
    qreal widthOf(int start, int end) const;

    QString m_text;
    QFont m_font;
    std::vector<Line> m_lines;
    qreal m_lineHeight = 0;
};

} // namespace tk::agent::speech
