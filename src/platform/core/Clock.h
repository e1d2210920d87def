#pragma once

#include <QDateTime>
#include <QString>

namespace tk {

// The wall clock, a seam so that tests can set the time.
class Clock {
public:
    Clock() = default;
    virtual ~Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;

    // The current local date and time.
    virtual QDateTime now() const = 0;

    // Today's date in the user's short date format.
    QString shortDateText() const;
    // The time of day as five-character 24-hour text, for example "07:30".
    QString timeOfDayText() const;
};

// The real clock and the system locale.
class SystemClock final : public Clock {
public:
    QDateTime now() const override;
};

} // namespace tk
