#pragma once

#include <QString>
#include <QStringList>

namespace tk::agent::listening {

// The recognizer's phones (the 39 of the en-us model, without stress marks) for a
// word's phoneme mnemonics as the speech synthesizer writes them for en-us
// ("t'0vrIn" gives T AA V R IH N). Stress, length and pause marks are dropped;
// a symbol with no counterpart is skipped.
QStringList phonesFromEspeak(const QString& mnemonics);

// Whether phone is one of the recognizer's 39 phones ("AA" ... "ZH").
bool isRecognizerPhone(const QString& phone);

} // namespace tk::agent::listening
