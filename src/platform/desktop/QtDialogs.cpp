#include "QtDialogs.h"

#include "WindowPlacement.h"
#include "platform/core/ProgramIdentity.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <cstdio>

namespace tk {

void QtDialogs::message(const QString& text, const QString& title) {
    const QString shown = title.isEmpty() ? applicationTitle() : title;
    std::fprintf(stderr, "%s: %s: %s\n", identity::kExecutableName, qPrintable(shown),
                 qPrintable(text));
    QMessageBox box(QMessageBox::NoIcon, shown, text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    centreBeforeFirstShow(&box);
    box.exec();
}

QString QtDialogs::input(const QString& prompt, const QString& title) {
    QInputDialog dialog;
    dialog.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    dialog.setInputMode(QInputDialog::TextInput);
    // The prompt is shown as given, blanks and all; screen readers get it
    // without the blanks that only set it out on the screen.
    const QString spoken = prompt.simplified();
    if (QLabel* label = dialog.findChild<QLabel*>())
        label->setAccessibleName(spoken);
    if (QLineEdit* field = dialog.findChild<QLineEdit*>())
        field->setAccessibleName(spoken);
    centreBeforeFirstShow(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

} // namespace tk
