#include "QtDialogs.h"

#include <QInputDialog>
#include <QMessageBox>

namespace tk {

void QtDialogs::message(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? applicationTitle() : title, text,
                    QMessageBox::Ok);
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
