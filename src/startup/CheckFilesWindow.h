#pragma once

#include "platform/core/ProgramContext.h"

#include <QWidget>
#include <functional>

namespace tk {

// The character file check window checkfiles: decides, while it opens, whether
// the main window may open. It then stays open collapsed out of sight until the
// main window closes it. After the restart or error message there is nothing
// left to do, so it closes and the run ends.
class CheckFilesWindow final : public QWidget {
    Q_OBJECT
public:
    // Opens the main window; receives this window so the main window can close it.
    using OpenMainWindow = std::function<void(QWidget* checkFilesWindow)>;

    // Creates the window and runs its opening work; null when the window is
    // already gone again (the run ended during that work).
    static CheckFilesWindow* open(const ProgramContext& context, OpenMainWindow openMainWindow);

private:
    CheckFilesWindow();
};

} // namespace tk
