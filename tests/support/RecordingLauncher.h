#pragma once

#include "platform/core/ProcessLauncher.h"

#include <QStringList>

namespace tk::test {

// Records program starts as "program|arg1|arg2"; fails them when failWith is set.
class RecordingLauncher final : public ProcessLauncher {
public:
    QStringList starts;
    QString failWith;

    Status startDetached(const QString& program, const QStringList& arguments) override {
        starts.append((QStringList{program} + arguments).join(QLatin1Char('|')));
        return failWith.isEmpty() ? Status::ok() : Status::failure(failWith);
    }
};

} // namespace tk::test
