// SPDX-License-Identifier: GPL-3.0-or-later
// bench_storageservice: tamro-storage-service's md change path on a recorded tree. A member of
// the clean mirror fails and comes back in turn (the tree's files rewritten as md would), the
// service is woken as a kernel notification wakes it, and a loopback client times the event
// message and the configuration document after it. Then the real program's resident memory
// and wake-ups at rest.
// Run: <build>/bench/bench_storageservice <tree> <service binary> [changes] [idle seconds]
#include "benchcommon.h"
#include "inventory.h"
#include "mdsource.h"
#include "statestore.h"
#include "storageservice.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using namespace tamro::storage;

namespace {

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

qint64 statusValue(qint64 pid, const char* key)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: %s <clean-mirror tree> <tamro-storage-service> [changes] "
                     "[idle seconds]\n",
                     argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString program = QString::fromLocal8Bit(argv[2]);
    const int changes = argc > 3 ? std::atoi(argv[3]) : 100;
    const int idleSeconds = argc > 4 ? std::atoi(argv[4]) : 60;

    QTemporaryDir tree;
    QTemporaryDir state;
    if (QProcess::execute(QStringLiteral("cp"),
                          {QStringLiteral("-a"), source + "/.", tree.path()}) != 0)
        return 1;
    StateStore store(state.path());
    std::vector<std::unique_ptr<ArraySource>> sources;
    sources.push_back(std::make_unique<MdSource>(tree.path()));
    Inventory inventory(tree.path(), &store, std::move(sources), [](const QString&) {});
    ServiceOptions options;
    options.root = tree.path();
    options.port = 0;
    options.intervalMs = 3600 * 1000; // only the wake-ups read
    options.uevents = false;
    StorageService service(options, &inventory);
    if (!service.start().isEmpty())
        return 1;
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, service.port());
    client.waitForConnected(5000);
    client.write("<SVConfigCmd/>\r\n");
    QByteArray buffer;
    const auto waitLine = [&client, &buffer](QByteArray* line) {
        QElapsedTimer limit;
        limit.start();
        while (limit.elapsed() < 5000) {
            const qsizetype end = buffer.indexOf("\r\n");
            if (end >= 0) {
                *line = buffer.left(end);
                buffer.remove(0, end + 2);
                return true;
            }
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            buffer += client.readAll();
        }
        return false;
    };
    QByteArray line;
    if (!waitLine(&line))
        return 1;

    const QString md = tree.path() + QStringLiteral("/sys/devices/virtual/block/md0/md/");
    std::vector<double> toEvent;
    std::vector<double> toDocument;
    std::vector<double> readUs;
    for (int i = 0; i < changes; ++i) {
        const bool fail = i % 2 == 0;
        QElapsedTimer clock;
        clock.start();
        writeFile(md + "dev-sdc1/state", fail ? "faulty\n" : "in_sync\n");
        writeFile(md + "degraded", fail ? "1\n" : "0\n");
        service.wake();
        QByteArray event;
        QByteArray document;
        if (!waitLine(&event))
            return 1;
        toEvent.push_back(double(clock.nsecsElapsed()) / 1e3);
        if (!waitLine(&document) || !document.startsWith("<SVConfigCmd"))
            return 1;
        toDocument.push_back(double(clock.nsecsElapsed()) / 1e3);
        QElapsedTimer scan;
        scan.start();
        inventory.refresh();
        readUs.push_back(double(scan.nsecsElapsed()) / 1e3);
    }
    const auto row = [](const char* label, std::vector<double> v) {
        std::printf("%s: median %.1f us, p95 %.1f us (%zu changes)\n", label, bench::median(v),
                    bench::quantile(v, 0.95), v.size());
    };
    row("md change -> event message", toEvent);
    row("md change -> configuration document", toDocument);
    row("one read of the tree (scan + merge)", readUs);

    // The real program at rest on the same tree.
    QProcess service2;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("STATE_DIRECTORY"), state.path());
    service2.setProcessEnvironment(env);
    service2.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service2.start(program, {QStringLiteral("--sysfs-root"), tree.path(),
                             QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")});
    if (!service2.waitForReadyRead(5000))
        return 1;
    QThread::sleep(2);
    const qint64 pid = service2.processId();
    const qint64 before = statusValue(pid, "voluntary_ctxt_switches:") +
                          statusValue(pid, "nonvoluntary_ctxt_switches:");
    QThread::sleep(idleSeconds);
    const qint64 after = statusValue(pid, "voluntary_ctxt_switches:") +
                         statusValue(pid, "nonvoluntary_ctxt_switches:");
    std::printf("service at rest: resident %.1f MiB (VmRSS), %lld wake-ups in %d s "
                "(context switches, default options)\n",
                double(statusValue(pid, "VmRSS:")) / 1024.0, after - before, idleSeconds);
    service2.terminate();
    service2.waitForFinished(5000);
    return 0;
}
