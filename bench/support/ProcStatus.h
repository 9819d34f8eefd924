#pragma once
// What /proc tells about a running process: resident memory, open descriptors, threads.
#include <QDir>
#include <QFile>
#include <QString>
#include <sys/types.h>

// Resident memory in KB; -1 when the process is gone.
inline long RssKb(pid_t pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Entries of /proc/<pid>/<what> ("fd": open descriptors, "task": threads).
inline qsizetype ProcEntries(pid_t pid, const char* what)
{
    return QDir(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(what)))
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
        .size();
}
