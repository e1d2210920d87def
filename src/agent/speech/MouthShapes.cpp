#include "agent/speech/MouthShapes.h"

#include <QString>
#include <string_view>

namespace tk::agent::speech {

namespace {

bool isMark(char32_t c) {
    switch (c) {
    case U'ˈ': // primary stress
    case U'ˌ': // secondary stress
    case U'ː': // long
    case U'ˑ': // half long
    case U'\'':
    case U',':
    case U'-':
    case U'_':
        return true;
    default:
        return QChar::category(c) == QChar::Mark_NonSpacing;
    }
}

bool isOneOf(char32_t c, std::u32string_view set) {
    return set.find(c) != std::u32string_view::npos;
}

} // namespace

MouthShape mouthShapeForPhoneme(QStringView ipa) {
    const QList<uint> codePoints = ipa.toUcs4();
    qsizetype i = 0;
    while (i < codePoints.size() && isMark(codePoints[i]))
        ++i;
    if (i == codePoints.size())
        return MouthShape::Closed;
    const char32_t first = codePoints[i];
    const char32_t second = i + 1 < codePoints.size() ? codePoints[i + 1] : 0;

    // Affricates sound like their second half: tʃ, dʒ, ts, dz spread the lips.
    if ((first == U't' || first == U'd') && isOneOf(second, U"ʃʒszɕʑ"))
        return MouthShape::Wide;
    if (isOneOf(first, U"mbpɱʙ"))
        return MouthShape::Closed;
    if (isOneOf(first, U"fvɸβʋ"))
        return MouthShape::Teeth;
    if (isOneOf(first, U"uʊwyʏɯɥʍʉ"))
        return MouthShape::Pucker;
    if (isOneOf(first, U"oɔɒøœɤɞrɹɻʀ"))
        return MouthShape::Round;
    if (isOneOf(first, U"eɛiɪɨɘjʝszʃʒɕʑʂʐç"))
        return MouthShape::Wide;
    if (isOneOf(first, U"lɫʎɭθðndtɲɳɖʈɬɮɾɽ"))
        return MouthShape::Tongue;
    // Open vowels, schwas, and the back consonants (k, g, h) with a half-open mouth.
    return MouthShape::Open;
}

} // namespace tk::agent::speech
