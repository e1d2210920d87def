#include "agent/listening/EspeakPhonemes.h"

#include <array>
#include <utility>

namespace tk::agent::listening {

namespace {

// Mnemonic to phones, longest mnemonics first so that a greedy scan takes "aI@"
// before "aI" and "a". The vowels follow the en-us phoneme table: "0" is the
// unrounded vowel of "lot", "a" the vowel of "bat", "V" the vowel of "but".
constexpr std::array<std::pair<const char*, const char*>, 64> kMnemonics{{
    {"aI@", "AY ER"}, {"aU@", "AW ER"}, {"i@3", "IH R"}, {"aI3", "AY ER"}, {"aU3", "AW ER"},
    {"i@", "IH R"},   {"e@", "EH R"},   {"o@", "AO R"},  {"O@", "AO R"},   {"A@", "AA R"},
    {"U@", "UH R"},   {"3:", "ER"},     {"@L", "AH L"},  {"@2", "AH"},     {"@5", "AH"},
    {"a#", "AH"},     {"aI", "AY"},     {"aU", "AW"},    {"eI", "EY"},     {"oU", "OW"},
    {"OI", "OY"},     {"A:", "AA"},     {"O:", "AO"},    {"I#", "IH"},     {"I2", "IH"},
    {"i:", "IY"},     {"u:", "UW"},     {"tS", "CH"},    {"dZ", "JH"},     {"t#", "T"},
    {"n-", "N"},      {"m-", "M"},      {"l-", "L"},     {"r-", "R"},      {"3", "ER"},
    {"@", "AH"},      {"A", "AA"},      {"O", "AO"},     {"0", "AA"},      {"V", "AH"},
    {"E", "EH"},      {"e", "EH"},      {"I", "IH"},     {"i", "IY"},      {"U", "UH"},
    {"u", "UW"},      {"a", "AE"},      {"T", "TH"},     {"D", "DH"},      {"S", "SH"},
    {"Z", "ZH"},      {"N", "NG"},      {"h", "HH"},     {"j", "Y"},       {"x", "K"},
    {"?", "T"},       {"p", "P"},       {"b", "B"},      {"t", "T"},       {"d", "D"},
    {"k", "K"},       {"g", "G"},       {"f", "F"},      {"v", "V"},
}};

constexpr std::array<std::pair<char, const char*>, 8> kPlainConsonants{{
    {'s', "S"},
    {'z', "Z"},
    {'m', "M"},
    {'n', "N"},
    {'l', "L"},
    {'r', "R"},
    {'w', "W"},
    {'y', "Y"},
}};

} // namespace

QStringList phonesFromEspeak(const QString& mnemonics) {
    const QByteArray text = mnemonics.toLatin1();
    QStringList phones;
    qsizetype at = 0;
    while (at < text.size()) {
        bool matched = false;
        for (const auto& [symbol, cmu] : kMnemonics) {
            const qsizetype length = qsizetype(qstrlen(symbol));
            if (text.mid(at, length) == symbol) {
                phones.append(QString::fromLatin1(cmu).split(QLatin1Char(' ')));
                at += length;
                matched = true;
                break;
            }
        }
        if (matched)
            continue;
        for (const auto& [symbol, cmu] : kPlainConsonants) {
            if (text.at(at) == symbol) {
                phones.append(QString::fromLatin1(cmu));
                matched = true;
                break;
            }
        }
        // Stress (' ,), length (:), syllable and pause marks (% = _ ; ! |) and
        // anything unknown carry no phone.
        ++at;
    }
    return phones;
}

bool isRecognizerPhone(const QString& phone) {
    static const QStringList phones =
        QStringLiteral("AA AE AH AO AW AY B CH D DH EH ER EY F G HH IH IY JH "
                       "K L M N NG OW OY P R S SH T TH UH UW V W Y Z ZH")
            .split(QLatin1Char(' '));
    return phones.contains(phone);
}

} // namespace tk::agent::listening
