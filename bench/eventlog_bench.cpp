// SPDX-License-Identifier: GPL-3.0-or-later
// Times the cost of one logged event: a line inserted at the top of the event log and the
// whole log rewritten atomically to its file (what the controller does for every event), with
// a nearly empty log (10 entries) and a full one (999 entries). Also times reading the full
// log back, as the program does at launch.
//
// Run: <build>/bench/bench_eventlog [iterations] [folder]
// The folder (default: a temporary folder under the system's temporary path) should be on the
// file system that holds the real log: every write ends with the file synced and renamed.
#include "benchcommon.h"
#include "settings/eventlog.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

QString row(int n)
{
    return EventLog::makeLine(QStringLiteral("Mon Jan  1 12:00:00 2024"),
                              QStringLiteral("Enclosure %1").arg(n % 8),
                              QStringLiteral("RAID 1 (Mirroring)"),
                              n % 2 ? QStringLiteral("Disk2 is not connected.")
                                    : QStringLiteral("Retrieved configuration."));
}

// A log holding the given number of entries, the header included.
EventLog logWith(int entries)
{
    EventLog log;
    for (int i = 1; i < entries; ++i)
        log.insert(row(i));
    return log;
}

struct Timing
{
    std::vector<double> us;
    qint64 bytes = 0;
    bool ok = true;
};

// The same event serialised into memory: the CPU part of the cost, without the file system.
Timing timeInMemory(int entries, int iterations)
{
    const EventLog base = logWith(entries);
    Timing timing;
    timing.us.reserve(iterations);
    QElapsedTimer timer;
    for (int i = 0; i < iterations; ++i) {
        EventLog log = base;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        timer.start();
        log.insert(row(i));
        const bool ok = log.writeTo(buffer);
        timing.us.push_back(timer.nsecsElapsed() / 1000.0);
        timing.ok = timing.ok && ok;
        timing.bytes = buffer.size();
    }
    return timing;
}

Timing timeEvents(int entries, int iterations, const QString& path)
{
    const EventLog base = logWith(entries);
    Timing timing;
    timing.us.reserve(iterations);
    QElapsedTimer timer;
    const int warmUp = std::min(20, iterations / 10);
    for (int i = 0; i < warmUp + iterations; ++i) {
        EventLog log = base; // the same size at every event
        timer.start();
        log.insert(row(i));
        const bool ok = log.write(path);
        const double us = timer.nsecsElapsed() / 1000.0;
        timing.ok = timing.ok && ok;
        if (i >= warmUp)
            timing.us.push_back(us);
    }
    timing.bytes = QFileInfo(path).size();
    return timing;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(10, std::atoi(argv[1])) : 500;
    QTemporaryDir dir(argc > 2
                          ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/tamro-bench-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/tamro-bench-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_eventlog: cannot make a temporary folder\n");
        return 1;
    }
    const QString path = dir.filePath(QStringLiteral("TAMRORAIDLOG.csv"));

    std::printf("folder: %s, %d iterations per size\n", qPrintable(dir.path()), iterations);
    for (const int entries : {10, EventLog::kMaxEntries}) {
        const Timing t = timeEvents(entries, iterations, path);
        if (!t.ok) {
            std::fprintf(stderr, "bench_eventlog: a write to %s failed\n", qPrintable(path));
            return 1;
        }
        std::printf("event with %d entries (insert + atomic write, %lld bytes): median %.1f us, "
                    "p95 %.1f us\n",
                    entries, static_cast<long long>(t.bytes), bench::median(t.us),
                    bench::quantile(t.us, 0.95));
        const Timing m = timeInMemory(entries, iterations * 4);
        std::printf("event with %d entries (insert + write to memory, %lld bytes): median %.1f us, "
                    "p95 %.1f us\n",
                    entries, static_cast<long long>(m.bytes), bench::median(m.us),
                    bench::quantile(m.us, 0.95));
    }

    // The file now holds a full log: read it back as at launch.
    std::vector<double> readUs;
    QElapsedTimer timer;
    int rows = 0;
    for (int i = 0; i < iterations; ++i) {
        EventLog log;
        timer.start();
        log.read(path);
        readUs.push_back(timer.nsecsElapsed() / 1000.0);
        rows = log.rowCount();
    }
    if (rows != EventLog::kMaxEntries - 1) {
        std::fprintf(stderr, "bench_eventlog: read back %d rows, expected %d\n", rows,
                     EventLog::kMaxEntries - 1);
        return 1;
    }
    std::printf("read of the full log (%d rows): median %.1f us, p95 %.1f us\n", rows,
                bench::median(readUs), bench::quantile(readUs, 0.95));
    return 0;
}
