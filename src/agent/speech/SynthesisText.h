#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace tk::agent::speech {

// A text as the synthesizer reads it: zero-terminated UTF-8 that is always
// valid, and the way back from the synthesizer's 1-based code-point positions
// to UTF-16 indices of the original string. Unpaired surrogates become U+FFFD
// and NUL characters blanks, one code point each, so positions stay aligned.
class SynthesisText {
public:
    explicit SynthesisText(const QString& text);

    // The UTF-8 bytes, followed by a terminating zero that size() leaves out.
    const QByteArray& utf8() const { return m_utf8; }
    // Number of code points in the text.
    int codePointCount() const { return static_cast<int>(m_starts.size()) - 1; }
    // The UTF-16 span {start, length} of count code points from the 1-based
    // code-point position, clamped to the text.
    std::pair<int, int> textSpan(int position, int count) const;

private:
    QByteArray m_utf8;
    std::vector<int> m_starts; // UTF-16 index of each code point, then the length
};

// The length of the word at [start, start + length) of text, taken on over a
// contraction the synthesizer reports only in part ("I" of "I'm", "Don" of "Don't").
int wordLengthWithContraction(const QString& text, int start, int length);

} // namespace tk::agent::speech
