// SPDX-License-Identifier: GPL-3.0-or-later
// tamro-storage-service over real loopback sockets, reading md trees (and one Btrfs tree)
// recorded under trees/ (written from the kernel's documented sysfs layout, with its relative
// links into /sys/devices): the document each tree gives, the pushes when a tree changes, and
// clients that misbehave.
#include "btrfssource.h"
#include "inventory.h"
#include "mdsource.h"
#include "statestore.h"
#include "storageservice.h"

#include "testmain.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <memory>

#include <unistd.h>

using namespace tamro::storage;

namespace {

const QString Trees = QStringLiteral(TAMRO_MD_TREES);

// Decodes a code list the way a client does, for codes up to 122.
QString decode(QStringView list)
{
    QString text;
    for (const QStringView token : list.split(u',', Qt::SkipEmptyParts)) {
        const int code = token.trimmed().toInt();
        text += code <= 122 ? QChar(code) : QChar(u'\uFFFD');
    }
    return text;
}

struct Box
{
    int count = -1;
    QString serial, product, rebuild, friendly;
    int mode = -1;
    QString drives[2]; // "plugged,failed,status,progress,model,serial"
};

Box parse(const QByteArray& document)
{
    Box box;
    QXmlStreamReader xml(document);
    int id = 0;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QStringView name = xml.name();
        if (name == u"SVSystem") {
            box.count = a.value(QLatin1String("BoxCount")).toInt();
        } else if (name == u"SVBox" && box.serial.isEmpty()) {
            box.serial = decode(a.value(QLatin1String("SerialNumber")));
            box.product = decode(a.value(QLatin1String("ProductName")));
            box.rebuild = decode(a.value(QLatin1String("BoxRebuildStatus")));
        } else if (name == u"SVPhysDrive" && box.drives[1].isEmpty()) {
            id = a.value(QLatin1String("id")).toInt();
            box.drives[id] =
                QStringLiteral("%1,%2,")
                    .arg(a.value(QLatin1String("PluggedIn")))
                    .arg(a.hasAttribute(QLatin1String("Failed")) ? a.value(QLatin1String("Failed"))
                                                                 : QStringView(u"-"));
            box.drives[id] +=
                QStringLiteral("|%1,%2").arg(decode(a.value(QLatin1String("ModelName"))),
                                             decode(a.value(QLatin1String("SerialNumber"))));
        } else if (name == u"SVPhysPartition" && id >= 0) {
            box.drives[id].replace(QStringLiteral("|"),
                                   QStringLiteral("%1,%2,")
                                       .arg(a.value(QLatin1String("Status")))
                                       .arg(a.value(QLatin1String("RebuildProgress"))));
            id = -1;
        } else if (name == u"SVPartialVolume" && box.mode < 0) {
            box.mode = a.value(QLatin1String("mode")).toInt();
            box.friendly = decode(a.value(QLatin1String("FriendlyMode")));
        }
    }
    return box;
}

// A service on a free loopback port reading `root`, with its state in `stateDir`.
struct Running
{
    Running(const QString& root, const QString& stateDir, int intervalMs = 60000) : store(stateDir)
    {
        std::vector<std::unique_ptr<ArraySource>> sources;
        sources.push_back(std::make_unique<MdSource>(root));
        sources.push_back(std::make_unique<BtrfsSource>(root));
        inventory = std::make_unique<Inventory>(root, &store, std::move(sources),
                                                [this](const QString& line) { said << line; });
        ServiceOptions options;
        options.root = root;
        options.port = 0;
        options.intervalMs = intervalMs;
        options.uevents = false;
        options.gapMs = 5;
        service = std::make_unique<StorageService>(options, inventory.get());
        error = service->start();
    }
    StateStore store;
    QStringList said;
    std::unique_ptr<Inventory> inventory;
    std::unique_ptr<StorageService> service;
    QString error;
};

// Reads whole lines (a document or an event message each) from a socket.
struct Reader
{
    explicit Reader(QTcpSocket* s) : socket(s) {}
    QTcpSocket* socket;
    QByteArray buffer;
    QList<QByteArray> lines;
    void pump()
    {
        buffer += socket->readAll();
        qsizetype end;
        while ((end = buffer.indexOf("\r\n")) >= 0) {
            lines << buffer.left(end);
            buffer.remove(0, end + 2);
        }
    }
    bool waitLines(int n, int timeoutMs = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        while (lines.size() < n && clock.elapsed() < timeoutMs) {
            socket->waitForReadyRead(50);
            QCoreApplication::processEvents();
            pump();
        }
        return lines.size() >= n;
    }
};

bool copyTree(const QString& from, const QString& to)
{
    return QProcess::execute(QStringLiteral("cp"),
                             {QStringLiteral("-a"), from + QStringLiteral("/."), to}) == 0;
}

bool writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

} // namespace

class TestStorageService : public QObject
{
    Q_OBJECT

private slots:
    void documentFromTree_data();
    void documentFromTree();
    void changePushesOneEventAndDocument();
    void stress();
    void anotherUserCannotCrowdOut();
};

void TestStorageService::documentFromTree_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("rebuild");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("friendly");
    QTest::addColumn<QString>("drive0");
    QTest::addColumn<QString>("drive1");
    QTest::addColumn<QString>("leftOut");

    // FNV-1a over the uuid's hex digits, top bit cleared (worked out by hand for these uuids).
    const QString mirror = QStringLiteral("550878050");
    const QString sdb =
        QStringLiteral("1,-,0,0,WDC WD10EZEX-00B,WDC_WD10EZEX-00BN5A0_WD-WCC3F1234567");
    const QString sdc = QStringLiteral("ST1000DM010-2EP1,ST1000DM010-2EP102_Z9A1B2C3");
    const QString empty = QStringLiteral("0,-,0,0,,");
    QTest::newRow("clean mirror") << "clean-mirror" << 1 << mirror << "md RAID1 md0"
                                  << "Normal" << 1 << "RAID 1 (Mirroring)" << sdb
                                  << "1,-,0,0," + sdc << "";
    QTest::newRow("a slot empty") << "slot-empty" << 1 << mirror << "md RAID1 md0"
                                  << "Normal" << 1 << "RAID 1 (Mirroring)" << sdb << empty << "";
    QTest::newRow("a faulty member out of its slot")
        << "faulty-member" << 1 << mirror << "md RAID1 md0"
        << "Normal" << 1 << "RAID 1 (Mirroring)" << sdb << "1,1,0,0," + sdc << "";
    QTest::newRow("recovery at 37 %") << "recovery-37" << 1 << mirror << "md RAID1 md0"
                                      << "Rebuilding" << 1 << "RAID 1 (Mirroring)" << sdb
                                      << "1,-,1,37,ST1000DM010-2EP1,ST1000DM010-2EP102_Z9A4D5E6"
                                      << "";
    // The second backing file's name holds "{", "ü" and "}", which the monitor cannot decode.
    QTest::newRow("raid0 of loop devices") << "raid0-loop" << 1 << "1587133733"
                                           << "md RAID0 md127"
                                           << "Normal" << 2 << "RAID 0 (Striping)"
                                           << "1,-,0,0,stripe-a.img,"
                                           << "1,-,0,0,stripe-b___.img,"
                                           << "";
    // A degraded Btrfs pair whose missing devid 2 is being replaced by loop2 (devinfo/0), read
    // without the replace-status ioctl (a recorded tree): the new device in the slot, rebuilding.
    QTest::newRow("btrfs replace of a missing member") << "btrfs-replace" << 1 << "1720724449"
                                                       << "Btrfs RAID1 pair"
                                                       << "Rebuilding" << 1 << "RAID 1 (Mirroring)"
                                                       << "1,-,0,0,pair-a.img,"
                                                       << "1,-,1,0,pair-c.img,"
                                                       << "";
    QTest::newRow("three members left out") << "three-members" << 0 << ""
                                            << ""
                                            << "" << -1 << ""
                                            << ""
                                            << ""
                                            << "md1: 3 member slots";
}

void TestStorageService::documentFromTree()
{
    QFETCH(QString, tree);
    QTemporaryDir state;
    Running running(Trees + QLatin1Char('/') + tree, state.path());
    QVERIFY2(running.error.isEmpty(), qPrintable(running.error));

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, running.service->port());
    QVERIFY(client.waitForConnected(5000));
    client.write("<SVConfigCmd/>\r\n");
    Reader reader(&client);
    QVERIFY(reader.waitLines(1));
    const QByteArray doc = reader.lines.first();
    QVERIFY2(doc.startsWith("<SVConfigCmd eResult=\"0\""), doc.constData());
    const Box box = parse(doc);

    QTEST(box.count, "count");
    QTEST(box.serial, "serial");
    QTEST(box.product, "product");
    QTEST(box.rebuild, "rebuild");
    QTEST(box.mode, "mode");
    QTEST(box.friendly, "friendly");
    QTEST(box.drives[0], "drive0");
    QTEST(box.drives[1], "drive1");
    QFETCH(QString, leftOut);
    if (!leftOut.isEmpty()) {
        QVERIFY2(running.said.filter(leftOut).size() == 1, qPrintable(running.said.join('\n')));
    }
}

void TestStorageService::changePushesOneEventAndDocument()
{
    QTemporaryDir tree;
    QTemporaryDir state;
    QVERIFY(copyTree(Trees + QStringLiteral("/clean-mirror"), tree.path()));
    // The timer read every 20 ms is the change path here: a recorded tree's files are plain
    // files, which never signal a change the way sysfs does.
    Running running(tree.path(), state.path(), 20);
    QVERIFY2(running.error.isEmpty(), qPrintable(running.error));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, running.service->port());
    QVERIFY(client.waitForConnected(5000));
    client.write("<SVScanDevicesCmd/>\r\n");
    Reader reader(&client);
    QVERIFY(reader.waitLines(1));
    QVERIFY(reader.lines.at(0).startsWith("<SVScanDevicesCmd "));
    QCOMPARE(parse(reader.lines.at(0)).drives[1].left(4), QStringLiteral("1,-,"));

    // Nothing changes: nothing is sent, over many reads.
    QVERIFY(!reader.waitLines(2, 300));

    // md fails the second member and takes it out of its slot.
    const QString md = tree.path() + QStringLiteral("/sys/devices/virtual/block/md0/md/");
    QVERIFY(writeFile(md + "dev-sdc1/state", "faulty\n"));
    QVERIFY(writeFile(md + "dev-sdc1/slot", "none\n"));
    QVERIFY(writeFile(md + "degraded", "1\n"));
    QVERIFY(QFile::remove(md + "rd1"));
    QVERIFY(reader.waitLines(3));
    QCOMPARE(reader.lines.at(1),
             QByteArray("<SVEventLogCmd><SVEvent MsgIdx=\"5\" BoxSN=\"53, 53, 48, 56, 55, 56, 48, "
                        "53, 48\"/></SVEventLogCmd>"));
    QVERIFY(reader.lines.at(2).startsWith("<SVConfigCmd "));
    QCOMPARE(parse(reader.lines.at(2)).drives[1].left(4), QStringLiteral("1,1,"));
    QVERIFY(!reader.waitLines(4, 300));

    // mdadm --remove: the member goes; the slot is empty.
    QVERIFY(QDir(md + "dev-sdc1").removeRecursively());
    QVERIFY(reader.waitLines(5));
    QVERIFY(reader.lines.at(3).startsWith("<SVEventLogCmd>"));
    QCOMPARE(parse(reader.lines.at(4)).drives[1], QStringLiteral("0,-,0,0,,"));
    QVERIFY(!reader.waitLines(6, 300));

    // The array is stopped: it keeps its last known state, and no push says anything else.
    QVERIFY(
        QDir(tree.path() + QStringLiteral("/sys/devices/virtual/block/md0")).removeRecursively());
    QVERIFY(QFile::remove(tree.path() + QStringLiteral("/sys/block/md0")));
    QVERIFY(!reader.waitLines(6, 300));
    client.write("<SVConfigCmd/>\r\n");
    QVERIFY(reader.waitLines(6));
    const Box kept = parse(reader.lines.at(5));
    QCOMPARE(kept.count, 1);
    QCOMPARE(kept.serial, QStringLiteral("550878050"));
    QCOMPARE(kept.drives[1], QStringLiteral("0,-,0,0,,"));

    // The stopped array's remaining disk is detached: not plugged in at once, stopped or not.
    QVERIFY(QFile::remove(tree.path() + QStringLiteral("/sys/class/block/sdb1")));
    QVERIFY(reader.waitLines(8));
    QVERIFY(reader.lines.at(6).startsWith("<SVEventLogCmd>"));
    QCOMPARE(parse(reader.lines.at(7)).drives[0], QStringLiteral("0,-,0,0,,"));
    QVERIFY(!reader.waitLines(9, 300));
    QTRY_VERIFY(QFile::exists(state.path() + QStringLiteral("/arrays.json")));
}

void TestStorageService::stress()
{
    QTemporaryDir state;
    Running running(Trees + QStringLiteral("/clean-mirror"), state.path());
    QVERIFY2(running.error.isEmpty(), qPrintable(running.error));
    const quint16 port = running.service->port();
    const QList<QByteArray> junk = {
        "<SVGPIOCmd ReadOp='0'/>\r\n",           // unknown
        "<SVConfigCmd",                          // never finished...
        QByteArray(4096, 'A'),                   // not a command at all
        "<SVConfigCmd/><SVConfigCmd><<>>\r\n",   // one good, then broken
        QByteArray("<") + QByteArray(2000, 'x'), // too long
        QByteArray("\0\xff\xfe<\x01>", 7),
    };
    // A few hundred connections, in waves (the listen queue is finite), most of them junk,
    // some silent, some that ask and never read.
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < 300; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, port);
        if (i % 3 == 0)
            socket->write(junk.at(i / 3 % junk.size()));
        else if (i % 3 == 1)
            socket->write("<SVConfigCmd/>\r\n");
        sockets.push_back(std::move(socket));
        if (i % 25 == 24)
            QTest::qWait(20);
    }
    QTest::qWait(100);
    QVERIFY2(running.service->clientCount() <= 64,
             qPrintable(QString::number(running.service->clientCount())));

    // A well-behaved client is answered all the same, with exactly its document.
    QTcpSocket good;
    good.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(good.waitForConnected(5000));
    good.write("<SVConfigCmd/>\r\n");
    Reader reader(&good);
    QVERIFY(reader.waitLines(1));
    QCOMPARE(parse(reader.lines.first()).serial, QStringLiteral("550878050"));
    QVERIFY(!reader.waitLines(2, 200));
    QCOMPARE(good.state(), QAbstractSocket::ConnectedState);
    // Every junk writer was shown the door (all but the one that never finishes its tag,
    // which waits for its time limit or for the room it takes to be needed).
    const auto openJunk = [&sockets, &junk] {
        int open = 0;
        for (int i = 0; i < 300; i += 3) {
            if (i / 3 % junk.size() != 1)
                open += sockets.at(i)->state() != QAbstractSocket::UnconnectedState;
        }
        return open;
    };
    QTRY_COMPARE(openJunk(), 0);
}

void TestStorageService::anotherUserCannotCrowdOut()
{
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    // The system's python: one under root's home is out of another user's reach.
    const QString python = QStringLiteral("/usr/bin/python3");
    if (::geteuid() != 0 || setpriv.isEmpty() || !QFile::exists(python))
        QSKIP("needs root, setpriv and /usr/bin/python3 to connect as another user");
    QTemporaryDir state;
    Running running(Trees + QStringLiteral("/clean-mirror"), state.path());
    QVERIFY2(running.error.isEmpty(), qPrintable(running.error));
    const quint16 port = running.service->port();

    // This user's monitor is connected and served.
    QTcpSocket monitor;
    monitor.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(monitor.waitForConnected(5000));
    monitor.write("<SVConfigCmd/>\r\n");
    Reader reader(&monitor);
    QVERIFY(reader.waitLines(1));

    // Another user opens a hundred connections that each ask for the configuration.
    QProcess flood;
    flood.start(setpriv,
                {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                 QStringLiteral("--clear-groups"), python, QStringLiteral("-c"),
                 QStringLiteral("import socket, sys, time\n"
                                "held = []\n"
                                "for _ in range(100):\n"
                                "    try:\n"
                                "        c = socket.create_connection(('127.0.0.1', %1), 5)\n"
                                "        c.sendall(b'<SVConfigCmd/>\\r\\n')\n"
                                "        held.append(c)\n"
                                "    except OSError:\n"
                                "        pass\n"
                                "print('done', flush=True)\n"
                                "time.sleep(30)\n")
                     .arg(port)});
    QVERIFY(flood.waitForStarted(5000));
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += flood.readAllStandardOutput()).contains("done"), 20000);
    QTest::qWait(200);
    // The crowd made room among its own connections; the monitor's stayed and is answered.
    QVERIFY2(running.service->clientCount() <= 17,
             qPrintable(QString::number(running.service->clientCount())));
    QCOMPARE(monitor.state(), QAbstractSocket::ConnectedState);
    monitor.write("<SVConfigCmd/>\r\n");
    QVERIFY(reader.waitLines(2));
    QCOMPARE(parse(reader.lines.at(1)).serial, QStringLiteral("550878050"));
    flood.kill();
    flood.waitForFinished(5000);
}

TAMRO_TEST_GUILESS_MAIN(TestStorageService)
#include "test_storageservice.moc"
