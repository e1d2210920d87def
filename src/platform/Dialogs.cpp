#include "Dialogs.h"

#include "platform/ProgramIdentity.h"

#include <QInputDialog>
#include <QMessageBox>
#include <cstdio>

namespace tk {

QString applicationTitle() {
    return QString::fromLatin1(identity::kExecutableName);
}

void QtDialogs::message(const QString& text, const QString& title) {
    const QString shown = title.isEmpty() ? applicationTitle() : title;
    std::fprintf(stderr, "%s: %s: %s\n", identity::kExecutableName, qPrintable(shown),
                 qPrintable(text));
    QMessageBox box(QMessageBox::NoIcon, shown, text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString QtDialogs::input(const QString& prompt, const QString& title) {
    QInputDialog dialog;
    dialog.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    dialog.setInputMode(QInputDialog::TextInput);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

} // namespace tk
