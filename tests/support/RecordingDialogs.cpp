#include "RecordingDialogs.h"

namespace tk::test {

void RecordingDialogs::message(const QString& text, const QString& title) {
    shown.append(
        QStringLiteral("message %1|%2").arg(title.isEmpty() ? applicationTitle() : title, text));
    if (whileOpen)
        whileOpen();
}

QString RecordingDialogs::input(const QString& prompt, const QString& title) {
    shown.append(QStringLiteral("input %1|%2").arg(title, prompt));
    if (whileOpen)
        whileOpen();
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}

} // namespace tk::test
