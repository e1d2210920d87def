#pragma once

#include "platform/core/ProcessLauncher.h"

#include <QStringList>

namespace tk::test {

// Records program starts as "program|arg1|arg2"; fails them when failWith is set.
class RecordingLauncher final : public ProcessLauncher {
public:
    QStringList starts;
    QString failWith;

    bool startDetached(const QString& program, const QStringList& arguments,
                       QString* error) override {
        starts.append((QStringList{program} + arguments).join(QLatin1Char('|')));
        if (failWith.isEmpty())
            return true;
        if (error)
            *error = failWith;
        return false;
    }
};

} // namespace tk::test
