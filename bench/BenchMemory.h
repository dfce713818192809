#pragma once

#include <QByteArray>
#include <QFile>

// Kilobytes of one line of /proc/self/status ("VmRSS:", "VmHWM:"); -1 when
// it cannot be read.
inline long statusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(qstrlen(key)))
                .trimmed()
                .split(' ')
                .first()
                .toLong();
    return -1;
}

// Starts the peak (VmHWM) afresh at the present size, so that a case's peak
// is its own rather than that of an earlier one; false when the kernel does
// not allow it.
inline bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}
