#include "agent/speech/SynthesisText.h"

#include <algorithm>

namespace tk::agent::speech {

namespace {

void appendUtf8(QByteArray& out, char32_t c) {
    if (c < 0x80) {
        out.append(static_cast<char>(c));
    } else if (c < 0x800) {
        out.append(static_cast<char>(0xC0 | (c >> 6)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(static_cast<char>(0xE0 | (c >> 12)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.append(static_cast<char>(0xF0 | (c >> 18)));
        out.append(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.append(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace

SynthesisText::SynthesisText(const QString& text) {
    m_utf8.reserve(text.size() * 3 + 1);
    m_starts.reserve(static_cast<size_t>(text.size()) + 1);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        m_starts.push_back(static_cast<int>(i));
        const char16_t unit = text.at(i).unicode();
        char32_t codePoint = unit;
        qsizetype units = 1;
        if (QChar::isHighSurrogate(unit) && i + 1 < n &&
            QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            codePoint = QChar::surrogateToUcs4(unit, text.at(i + 1).unicode());
            units = 2;
        } else if (QChar::isSurrogate(unit)) {
            codePoint = 0xFFFD;
        } else if (unit == 0) {
            codePoint = U' '; // a NUL would end the text for the synthesizer
        }
        appendUtf8(m_utf8, codePoint);
        i += units;
    }
    m_starts.push_back(static_cast<int>(n));
}

std::pair<int, int> SynthesisText::textSpan(int position, int count) const {
    const int last = codePointCount();
    const int first = std::clamp(position - 1, 0, last);
    const int end = std::clamp(first + std::max(count, 0), first, last);
    const int start = m_starts[static_cast<size_t>(first)];
    return {start, m_starts[static_cast<size_t>(end)] - start};
}

int wordLengthWithContraction(const QString& text, int start, int length) {
    const auto n = static_cast<int>(text.size());
    int end = start + length;
    const auto isApostrophe = [](QChar c) { return c == u'\'' || c == u'\u2019'; };
    while (end + 1 < n && isApostrophe(text[end]) && text[end + 1].isLetter()) {
        end += 2;
        while (end < n && (text[end].isLetter() || text[end].isMark()))
            ++end;
    }
    return end - start;
}

} // namespace tk::agent::speech
