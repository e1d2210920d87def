#pragma once

#include "platform/core/Dialogs.h"

namespace tk {

// Dialogs shown with Qt widgets.
class QtDialogs final : public Dialogs {
public:
    void message(const QString& text, const QString& title = {}) override;
    QString input(const QString& prompt, const QString& title) override;
};

} // namespace tk
