#pragma once

// The benchmark programs' view of their own processes (this one and every
// process it started, the web engine's included) through /proc.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>

#include <unistd.h>

// PSS in kB of a process, from /proc/PID/smaps_rollup.
inline long pssKilobytes(const QString &pid)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Resident memory of a process in kB, from /proc/PID/statm.
inline long residentKilobytes(const QString &pid)
{
    QFile file(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().split(' ').value(1).toLong() * (sysconf(_SC_PAGESIZE) / 1024);
}

inline QString parentOf(const QString &pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray stat = file.readAll();
    const qsizetype close = stat.lastIndexOf(')');
    return QString::fromLatin1(stat.mid(close + 2).split(' ').value(1));
}

inline QString commandOf(const QString &pid)
{
    QFile file(QStringLiteral("/proc/%1/comm").arg(pid));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QString();
}

// This process and all its descendants.
inline QStringList programProcesses()
{
    QStringList family{QString::number(QCoreApplication::applicationPid())};
    bool grew = true;
    const QStringList all = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    while (grew) {
        grew = false;
        for (const QString &pid : all) {
            if (!family.contains(pid) && family.contains(parentOf(pid))) {
                family << pid;
                grew = true;
            }
        }
    }
    return family;
}

// Each process's PSS and the total, in kB, on stdout.
inline void printMemory()
{
    const QStringList family = programProcesses();
    long total = 0;
    for (const QString &pid : family) {
        const long pss = pssKilobytes(pid);
        if (pss > 0) {
            total += pss;
            std::printf("process %s %s %ld\n", qPrintable(pid), qPrintable(commandOf(pid)), pss);
        }
    }
    std::printf("pss_total_kb %ld\n", total);
    std::fflush(stdout);
}
