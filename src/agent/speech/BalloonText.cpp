#include "agent/speech/BalloonText.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace tk::agent::speech {

BalloonText::BalloonText(const QString& text, const QFont& font, qreal wrapWidth)
    : m_text(text), m_font(font) {
    const QFontMetricsF metrics(font);
    m_lineHeight = metrics.lineSpacing();
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    const int n = static_cast<int>(text.size());
    int paragraphStart = 0;
    while (paragraphStart <= n) {
        int paragraphEnd = paragraphStart;
        while (paragraphEnd < n && text[paragraphEnd] != QLatin1Char('\n') &&
               text[paragraphEnd] != QLatin1Char('\r'))
            ++paragraphEnd;
        const QString paragraph = text.mid(paragraphStart, paragraphEnd - paragraphStart);
        if (paragraph.isEmpty()) {
            m_lines.push_back({paragraphStart, 0});
        } else {
            QTextLayout layout(paragraph, font);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(std::max<qreal>(wrapWidth, 1));
                m_lines.push_back({paragraphStart + line.textStart(), line.textLength()});
            }
            layout.endLayout();
        }
        if (paragraphEnd >= n)
            break;
        // A line end is CR, LF or CR LF.
        paragraphStart = paragraphEnd + 1;
        if (text[paragraphEnd] == QLatin1Char('\r') && paragraphStart < n &&
            text[paragraphStart] == QLatin1Char('\n'))
            ++paragraphStart;
        if (paragraphStart == n) {
            m_lines.push_back({n, 0});
            break;
        }
    }
}

bool BalloonText::hasVisibleText() const {
    return std::any_of(m_text.begin(), m_text.end(), [](QChar c) { return !c.isSpace(); });
}

int BalloonText::revealEnd(int position, int length) const {
    const int n = static_cast<int>(m_text.size());
    int end = std::clamp(position + std::max(length, 0), 0, n);
    while (end < n && (m_text[end].isPunct() || m_text[end].isSymbol() ||
                       m_text[end].category() == QChar::Mark_NonSpacing))
        ++end;
    return end;
}

qreal BalloonText::widthOf(int start, int end) const {
    QString part = m_text.mid(start, end - start);
    while (!part.isEmpty() && part.back().isSpace())
        part.chop(1);
    return part.isEmpty() ? 0 : QFontMetricsF(m_font).horizontalAdvance(part);
}

BalloonText::View BalloonText::view(int end, int maxLines) const {
    View view;
    end = std::clamp(end, 0, static_cast<int>(m_text.size()));
    if (end == 0 || m_lines.empty())
        return view;
    std::vector<QString> shown;
    qreal width = 0;
    for (const Line& line : m_lines) {
        if (line.start >= end && !shown.empty())
            break;
        const int lineEnd = std::min(line.start + line.length, end);
        width = std::max(width, widthOf(line.start, lineEnd));
        shown.push_back(m_text.mid(line.start, lineEnd - line.start));
    }
    const auto keep = static_cast<size_t>(std::max(maxLines, 1));
    const size_t first = shown.size() > keep ? shown.size() - keep : 0;
    for (size_t i = first; i < shown.size(); ++i)
        view.lines.append(shown[i]);
    view.size = QSizeF(std::ceil(width), std::ceil(m_lineHeight * view.lines.size()));
    return view;
}

QSizeF BalloonText::fullSize(int maxLines) const {
    return view(static_cast<int>(m_text.size()), maxLines).size;
}

} // namespace tk::agent::speech
