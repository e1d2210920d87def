#include "Clock.h"

#include <QLocale>

namespace tk {

QString Clock::shortDateText() const {
    return QLocale::system().toString(now().date(), QLocale::ShortFormat);
}

QString Clock::timeOfDayText() const {
    return now().time().toString(QStringLiteral("HH:mm"));
}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

} // namespace tk
