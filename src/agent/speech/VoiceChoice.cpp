#include "agent/speech/VoiceChoice.h"

#include <array>
#include <utility>

namespace tk::agent::speech {

namespace {

constexpr std::array<std::pair<int, const char*>, 20> kLanguageVoices{{
    {1033, "en-us"}, // English (United States)
    {2057, "en-gb"}, // English (United Kingdom)
    {3081, "en-gb"}, // English (Australia): closest packaged accent
    {4105, "en-us"}, // English (Canada)
    {1031, "de"},    // German
    {1036, "fr-fr"}, // French (France)
    {3084, "fr-fr"}, // French (Canada)
    {1034, "es"},    // Spanish (traditional sort)
    {3082, "es"},    // Spanish (modern sort)
    {1040, "it"},    // Italian
    {1043, "nl"},    // Dutch
    {1046, "pt-br"}, // Portuguese (Brazil)
    {2070, "pt"},    // Portuguese (Portugal)
    {1045, "pl"},    // Polish
    {1053, "sv"},    // Swedish
    {1049, "ru"},    // Russian
    {1041, "ja"},    // Japanese
    {1042, "ko"},    // Korean
    {2052, "cmn"},   // Chinese (PRC)
    {1028, "cmn"},   // Chinese (Taiwan)
}};

} // namespace

QString voiceForLanguage(int languageId) {
    for (const auto& [id, voice] : kLanguageVoices) {
        if (id == languageId)
            return QString::fromLatin1(voice);
    }
    return {};
}

QString chooseVoice(const VoiceSettings& settings, int languageId) {
    const QString own = settings.voice.trimmed();
    const QString language = voiceForLanguage(languageId);
    if (language.isEmpty())
        return own.isEmpty() ? QStringLiteral("en-us") : own;
    const qsizetype plus = own.indexOf(QLatin1Char('+'));
    const QString ownBase = plus < 0 ? own : own.left(plus);
    if (ownBase.compare(language, Qt::CaseInsensitive) == 0)
        return own;
    return plus < 0 ? language : language + own.mid(plus);
}

} // namespace tk::agent::speech
