#pragma once

#include "platform/ProgramContext.h"

#include <QPointer>
#include <QWidget>

namespace tk {

// The hidden main window mainDC, which owns the character for the whole run.
// It stays open collapsed out of sight; closing it closes the check window too.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    // Creates and shows the main window; checkFilesWindow is closed with it.
    static MainWindow* open(const ProgramContext& context, QWidget* checkFilesWindow);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit MainWindow(QWidget* checkFilesWindow);
    QPointer<QWidget> m_checkFiles;
};

} // namespace tk
