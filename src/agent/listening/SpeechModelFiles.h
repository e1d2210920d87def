#pragma once

#include <QString>
#include <QStringList>

namespace tk::agent::listening {

// Where the recognizer's en-us model lives: the acoustic model directory and the
// pronunciation dictionary, and optionally a transform that adapts the model's
// means to other voices and rooms.
struct SpeechModelFiles {
    QString acousticModel; // directory with mdef, means, variances, ...
    QString dictionary;    // the model's pronunciation dictionary
    QString adaptation;    // a mean transform (MLLR) of the model (file or resource); "" for none

    // The model as the distribution installs it.
    static SpeechModelFiles installed();
    // The model laid out as installed, under directory (".../model/en-us").
    static SpeechModelFiles under(const QString& directory);

    // The files the recognizer needs that are not there; empty when all are. The
    // transform is not among them: without it the model is used as it is.
    QStringList missingFiles() const;
};

} // namespace tk::agent::listening
