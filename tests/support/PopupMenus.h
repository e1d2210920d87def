#pragma once

#include <QApplication>
#include <QMenu>
#include <QTest>

namespace tk::test {

// The pop-up menu once it is open (up to five seconds), or null.
inline QMenu* waitForPopupMenu() {
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 5000))
        return nullptr;
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

} // namespace tk::test
