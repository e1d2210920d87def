#include "RunKeeper.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace tk {

namespace {
QPointer<RunKeeper> g_current;
}

RunKeeper::RunKeeper(QObject* parent) : QObject(parent) {}

void RunKeeper::track(QWidget* window) {
    ++m_open;
    m_announced = false;
    connect(window, &QObject::destroyed, this, [this] {
        --m_open;
        QTimer::singleShot(0, this, &RunKeeper::checkLast);
    });
}

void RunKeeper::checkLast() {
    if (m_open == 0 && !m_announced) {
        m_announced = true;
        emit lastWindowClosed();
    }
}

RunKeeper* RunKeeper::current() {
    return g_current.data();
}

void RunKeeper::setCurrent(RunKeeper* keeper) {
    g_current = keeper;
}

} // namespace tk
