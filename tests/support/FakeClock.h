#pragma once

#include "platform/core/Clock.h"

namespace tk::test {

// A clock that shows whatever time the test sets.
class FakeClock final : public Clock {
public:
    QDateTime current{QDate(2026, 12, 6), QTime(15, 0)};

    void setTime(const QString& hhmm) { current.setTime(QTime::fromString(hhmm, "HH:mm")); }
    QDateTime now() const override { return current; }
};

} // namespace tk::test
