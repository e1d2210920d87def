#pragma once

#include <QByteArray>
#include <QFile>

// What this process costs, for the benchmarks' reports.
namespace bench {

// A field of /proc/self/status in kB ("VmRSS:" resident now, "VmHWM:" peak), or -1.
inline long statusKb(const char* field = "VmRSS:") {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace bench
