// Voice-text phrases: any text gives phrases that are non-empty, trimmed, hold
// no closing bracket, and appear in the text in order, one per closing bracket
// at most.
#include "agent/api/VoiceText.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList phrases = tk::agent::voicePhrases(text);
    if (phrases.size() > text.count(u']'))
        std::abort();
    qsizetype from = 0;
    for (const QString& phrase : phrases) {
        if (phrase.isEmpty() || phrase != phrase.trimmed() || phrase.contains(u']'))
            std::abort();
        // The first place after the previous phrase with an opening bracket before it.
        qsizetype at = text.indexOf(phrase, from);
        while (at >= 0 && (at == 0 || text.lastIndexOf(u'[', at - 1) < from))
            at = text.indexOf(phrase, at + 1);
        if (at < 0)
            std::abort();
        from = at + phrase.size();
    }
    return 0;
}
