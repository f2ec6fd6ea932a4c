// SPDX-License-Identifier: GPL-3.0-or-later
// The Btrfs source's read of this machine's mounted filesystems, with its files kept open and
// re-read by pread, against opening every file at each read. Prints what was found first, so
// the timed read is known to cover a real pair.
// Run as root (the replace and pairing ioctls) or not: <build>/bench/bench_btrfs_read
// [iterations] [root]
#include "benchcommon.h"
#include "btrfssource.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using tamro::storage::BtrfsSource;

namespace {

std::vector<double> timeScans(BtrfsSource& source, int iterations)
{
    std::vector<double> us;
    us.reserve(std::size_t(iterations));
    source.scan(); // the first read opens the kept files
    for (int i = 0; i < iterations; ++i) {
        QElapsedTimer t;
        t.start();
        const auto result = source.scan();
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
        if (result.arrays.isEmpty())
            return {};
    }
    return us;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    const QString root = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("/");

    BtrfsSource kept(root, true);
    BtrfsSource reopened(root, false);
    const auto found = kept.scan();
    for (const auto& a : found.arrays) {
        std::printf("%s %s: %s, %s; Disk1 %s, Disk2 %s\n", qPrintable(a.kind), qPrintable(a.uuid),
                    qPrintable(a.enclosure.productName), qPrintable(a.enclosure.rebuildStatus),
                    qPrintable(a.memberDevices[0].join(u',')),
                    qPrintable(a.memberDevices[1].join(u',')));
        for (const auto& d : a.enclosure.drives)
            std::printf("  drive: plugged %d failed %d status %d progress %.1f model \"%s\" serial "
                        "\"%s\" %.3f GB\n",
                        d.plugged, d.failed, d.status, d.rebuildProgress, qPrintable(d.model),
                        qPrintable(d.serial), d.actualCapacityGb);
        for (const QString& note : a.notes)
            std::printf("  note: %s\n", qPrintable(note));
    }
    for (const auto& s : found.skipped)
        std::printf("left out: %s: %s\n", qPrintable(s.name), qPrintable(s.reason));
    if (found.arrays.isEmpty()) {
        std::fprintf(stderr, "no Btrfs pair is mounted under %s\n", qPrintable(root));
        return 1;
    }
    std::printf("wake files: %lld\n", (long long)kept.wakeFiles().size());
    for (auto [label, source] :
         {std::pair{"kept open, pread", &kept}, std::pair{"opened at each read", &reopened}}) {
        const std::vector<double> us = timeScans(*source, iterations);
        if (us.empty()) {
            std::fprintf(stderr, "the pair went away while timing\n");
            return 1;
        }
        std::printf("%s: median %.1f us, p95 %.1f us (%d reads of %lld pair(s))\n", label,
                    bench::quantile(us, 0.5), bench::quantile(us, 0.95), iterations,
                    (long long)found.arrays.size());
    }
    return 0;
}
