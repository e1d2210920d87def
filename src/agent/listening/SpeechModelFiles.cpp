#include "agent/listening/SpeechModelFiles.h"

#include <QDir>
#include <QFileInfo>

namespace tk::agent::listening {

SpeechModelFiles SpeechModelFiles::installed() {
    // No transform: the ones estimated from synthesized voices in noise
    // (bench/listening/adapt) did not help the voices they were not estimated on.
    return under(QStringLiteral("/usr/share/pocketsphinx/model/en-us"));
}

SpeechModelFiles SpeechModelFiles::under(const QString& directory) {
    const QDir dir(directory);
    return {dir.filePath(QStringLiteral("en-us")),
            dir.filePath(QStringLiteral("cmudict-en-us.dict")), QString()};
}

QStringList SpeechModelFiles::missingFiles() const {
    QStringList missing;
    const QDir model(acousticModel);
    for (const char* name :
         {"mdef", "means", "variances", "transition_matrices", "feat.params", "noisedict"}) {
        const QString path = model.filePath(QLatin1String(name));
        if (!QFileInfo(path).isFile())
            missing.append(path);
    }
    // Semi-continuous models ship their mixture weights compressed.
    if (!QFileInfo(model.filePath(QStringLiteral("sendump"))).isFile() &&
        !QFileInfo(model.filePath(QStringLiteral("mixture_weights"))).isFile())
        missing.append(model.filePath(QStringLiteral("sendump")));
    if (!QFileInfo(dictionary).isFile())
        missing.append(dictionary);
    return missing;
}

} // namespace tk::agent::listening
