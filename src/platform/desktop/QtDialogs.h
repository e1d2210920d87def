#pragma once

#include "platform/core/Dialogs.h"

namespace tk {

// Dialogs shown with Qt widgets. A message is also written to standard error,
// where it stays readable after the box is gone (a terminal, the session log).
class QtDialogs final : public Dialogs {
public:
    void message(const QString& text, const QString& title = {}) override;
    QString input(const QString& prompt, const QString& title) override;
};

} // namespace tk
