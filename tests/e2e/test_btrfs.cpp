// SPDX-License-Identifier: GPL-3.0-or-later
// A real Btrfs RAID1 pair on loop devices, watched by the real storage service and the real
// monitor: what the user sees (log rows, mails, the tray colour) as the pair is unmounted,
// loses a member, is mounted degraded, gets a new member by `btrfs replace`, is balanced back
// to two copies, and later has a member return corrupted data. Needs root, loop devices and
// Btrfs in the kernel; skipped with one line elsewhere.
#include "btrfsscratch.h"
#include "harness.h"
#include "testmain.h"

#include <QJsonArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QXmlStreamReader>

using e2e::BtrfsScratch;
using e2e::Harness;
using e2e::waitUntil;

namespace {

const QString kRetrieved = QStringLiteral("Retrieved configuration.");
const QString kLabel = QStringLiteral("tamro-e2e");

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

QString decodeCodes(QStringView codes)
{
    QString text;
    for (const auto part : codes.split(u',', Qt::SkipEmptyParts))
        text.append(QChar(char16_t(part.trimmed().toUShort())));
    return text;
}

// The service's answer to a configuration command.
QByteArray configuration(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("<SVConfigCmd/>");
    QByteArray answer;
    waitUntil(
        [&] {
            socket.waitForReadyRead(50);
            answer += socket.readAll();
            return answer.contains("</SVConfigCmd>");
        },
        10000);
    return answer;
}

// BoxRebuildStatus of every enclosure in the service's answer.
QStringList rebuildStatuses(quint16 port)
{
    QStringList statuses;
    QXmlStreamReader xml(configuration(port));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"SVBox")
            statuses.append(decodeCodes(xml.attributes().value(QLatin1String("BoxRebuildStatus"))));
    }
    return statuses;
}

// The ids of the drives the service's answer says have failed.
QStringList failedDrives(quint16 port)
{
    QStringList ids;
    QXmlStreamReader xml(configuration(port));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"SVPhysDrive" &&
            xml.attributes().value(QLatin1String("Failed")) == u"1")
            ids.append(xml.attributes().value(QLatin1String("id")).toString());
    }
    return ids;
}

QString sysfsValue(const QString& fsid, const QString& relative)
{
    QFile f(QStringLiteral("/sys/fs/btrfs/") + fsid + u'/' + relative);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class BtrfsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<BtrfsScratch> _pair;
    std::unique_ptr<Harness> _h;
    QString _fsid;
    quint16 _port = 0;
    bool _healthy = false;

    static bool sh(const QStringList& command, QString* output = nullptr)
    {
        QString out;
        const bool ok = BtrfsScratch::run(command, &out);
        if (!ok)
            qWarning().noquote() << command.join(u' ') << "failed:" << out;
        if (output)
            *output = out;
        return ok;
    }
    int mails() const { return int(_h->mails().size()); }
    QString body(int mail) const { return _h->mails().at(mail).value(u"body").toString(); }
    QString serviceList() const
    {
        QString out;
        BtrfsScratch::run({QStringLiteral(TAMRO_STORAGE_SERVICE), QStringLiteral("--list")}, &out);
        return out;
    }
    bool writeFile(const QString& name, int mib)
    {
        return sh({QStringLiteral("dd"), QStringLiteral("if=/dev/urandom"),
                   u"of="_qs + _pair->mountPoint() + u'/' + name, QStringLiteral("bs=1M"),
                   u"count="_qs + QString::number(mib), QStringLiteral("conv=fsync"),
                   QStringLiteral("status=none")});
    }

private slots:
    void initTestCase()
    {
        const QString why = e2e::btrfsUnavailable();
        if (!why.isEmpty())
            QSKIP(qPrintable(u"real Btrfs pair not possible here: "_qs + why));
        _pair = std::make_unique<BtrfsScratch>(QDir::tempPath());
        QVERIFY(_pair->ok());
        const QString a = _pair->attach(0);
        const QString b = _pair->attach(1);
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        QVERIFY(sh({QStringLiteral("mkfs.btrfs"), QStringLiteral("-q"), QStringLiteral("-f"),
                    QStringLiteral("-L"), kLabel, QStringLiteral("-d"), QStringLiteral("raid1"),
                    QStringLiteral("-m"), QStringLiteral("raid1"), a, b}));
        // No udev here: the kernel learns the members from a scan before a plain mount.
        QVERIFY(
            sh({QStringLiteral("btrfs"), QStringLiteral("device"), QStringLiteral("scan"), a, b}));
        QVERIFY(sh({QStringLiteral("mount"), a, _pair->mountPoint()}));
        QString show;
        QVERIFY(sh({QStringLiteral("btrfs"), QStringLiteral("filesystem"), QStringLiteral("show"),
                    _pair->mountPoint()},
                   &show));
        _fsid = QRegularExpression(QStringLiteral("uuid: ([0-9a-f-]{36})")).match(show).captured(1);
        QVERIFY(!_fsid.isEmpty());
        QVERIFY(writeFile(QStringLiteral("first"), 8));

        _h = std::make_unique<Harness>(tamro::test::homePath() + QStringLiteral("/btrfs"));
        QVERIFY(_h->startSmtp());
        _h->writeSettings(_h->smtpPort());
        _port = freePort();
        QVERIFY(_port != 0);
        // The service's state file (and --list's reading of it) in the test's home.
        qputenv("STATE_DIRECTORY", QFile::encodeName(tamro::test::homePath() + u"/state"_qs));
        QVERIFY(
            _h->startServer(QStringLiteral(TAMRO_STORAGE_SERVICE),
                            {QStringLiteral("--sysfs-root"), QStringLiteral("/"),
                             QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(_port),
                             QStringLiteral("--interval"), QStringLiteral("1")},
                            _port));
        QVERIFY(_h->startMonitor());
        QVERIFY2(waitUntil([&] { return _h->countRows(kRetrieved) == 1; }, 20000),
                 qPrintable(_h->monitor().err().right(3000)));
        QVERIFY(_h->waitIcon(1));
        QCOMPARE(rebuildStatuses(_port), QStringList{QStringLiteral("Normal")});
        qInfo().noquote() << "--list, healthy:\n" << serviceList();
    }
    void cleanupTestCase()
    {
        if (_h) {
            qInfo().noquote() << "service stderr:\n" << _h->sim().err().right(4000);
            _h->monitor().stop();
            _h->sim().stop();
            _h->stopSmtp();
        }
        _pair.reset();
    }
    void cleanup()
    {
        if (QTest::currentTestFailed() && _h)
            qWarning().noquote() << "monitor stderr:\n" << _h->monitor().err().right(6000);
    }

    // Unmounted on purpose: nothing. A member gone and a degraded mount: one problem row and
    // one mail. A replace onto a new device: the problem ends, but chunks written with one
    // copy keep the pair rebuilding until a balance converts them; then one rebuild-complete
    // mail.
    void degradedReplacedAndBalanced()
    {
        QVERIFY(_h);
        const int rows = int(_h->logRows().size());
        QVERIFY(sh({QStringLiteral("umount"), _pair->mountPoint()}));
        QTest::qWait(2000); // two timer reads
        QCOMPARE(int(_h->logRows().size()), rows);
        QCOMPARE(mails(), 0);
        QVERIFY(_h->monitor().running());

        QVERIFY(_pair->detach(1));
        QVERIFY(sh({QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("degraded"),
                    _pair->device(0), _pair->mountPoint()}));
        QVERIFY2(
            waitUntil([&] { return _h->countRows(QStringLiteral("Disk2 is not connected.")) == 1; },
                      20000),
            qPrintable(_h->logRows().join(u'\n')));
        QVERIFY(waitUntil([&] { return mails() == 1; }, 20000));
        QVERIFY(_h->waitIcon(2));
        qInfo().noquote() << "--list, degraded:\n" << serviceList();
        // Writes while degraded that need a new chunk (the first data chunk holds 64 MiB) get
        // one with one copy only.
        QVERIFY(writeFile(QStringLiteral("degraded"), 100));
        QVERIFY(QFileInfo::exists(u"/sys/fs/btrfs/"_qs + _fsid + u"/allocation/data/single"_qs));
        QTest::qWait(2000);
        QCOMPARE(mails(), 1);
        QCOMPARE(_h->countRows(QStringLiteral("Disk2 is not connected.")), 1);

        const QString fresh = _pair->attach(2);
        QVERIFY(!fresh.isEmpty());
        QVERIFY(sh({QStringLiteral("btrfs"), QStringLiteral("replace"), QStringLiteral("start"),
                    QStringLiteral("-B"), QStringLiteral("2"), fresh, _pair->mountPoint()}));
        QVERIFY(_h->waitIcon(1, 20000));
        // Both members present, single chunks left: still rebuilding, and --list says how
        // to finish it.
        QVERIFY(QFileInfo::exists(u"/sys/fs/btrfs/"_qs + _fsid + u"/allocation/data/single"_qs));
        QVERIFY(waitUntil(
            [&] { return rebuildStatuses(_port) == QStringList{QStringLiteral("Rebuilding")}; },
            10000));
        const QString list = serviceList();
        qInfo().noquote() << "--list, replaced, single chunks left:\n" << list;
        QVERIFY2(
            list.contains(u"btrfs balance start -dconvert=raid1,soft -mconvert=raid1,soft "_qs +
                          _pair->mountPoint()),
            qPrintable(list));
        QCOMPARE(mails(), 1);
        const int retrieved = _h->countRows(kRetrieved);

        QVERIFY(sh({QStringLiteral("btrfs"), QStringLiteral("balance"), QStringLiteral("start"),
                    QStringLiteral("-dconvert=raid1,soft"), QStringLiteral("-mconvert=raid1,soft"),
                    _pair->mountPoint()}));
        QVERIFY(!QFileInfo::exists(u"/sys/fs/btrfs/"_qs + _fsid + u"/allocation/data/single"_qs));
        QVERIFY(waitUntil([&] { return mails() == 2; }, 20000));
        QVERIFY(waitUntil([&] { return _h->countRows(kRetrieved) == retrieved + 1; }, 20000));
        QVERIFY(_h->monitor().waitErr(QStringLiteral("rebuild finished: ")));
        QCOMPARE(rebuildStatuses(_port), QStringList{QStringLiteral("Normal")});
        QTest::qWait(2000);
        QCOMPARE(mails(), 2);
        _healthy = true;
    }

    // A member that returns corrupted data (found by a scrub, repaired from the mirror) has
    // failed until its counters are reset with `btrfs device stats -z`. Neither counter change
    // wakes the service: the timer read finds both.
    void corruptionUntilCountersReset()
    {
        QVERIFY2(_healthy, "the pair was not left healthy and mirrored by the row before");
        const QByteArray marker = QByteArrayLiteral("TAMRO-E2E-MARK-") + QByteArray(49, 'x');
        {
            QFile f(_pair->mountPoint() + QStringLiteral("/marked"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            for (int i = 0; i < 4096; ++i)
                f.write(marker);
        }
        QVERIFY(sh({QStringLiteral("umount"), _pair->mountPoint()}));
        {
            // Disk1 (devid 1) is the first image; overwrite 64 KiB of the file's copy there.
            QFile image(_pair->imagePath(0));
            QVERIFY(image.open(QIODevice::ReadWrite));
            const QByteArray needle = marker.repeated(64);
            qint64 found = -1;
            for (qint64 at = 0; found < 0 && at < image.size(); at += 4 << 20) {
                image.seek(at);
                const qsizetype hit = image.read((4 << 20) + needle.size()).indexOf(needle);
                if (hit >= 0)
                    found = at + hit;
            }
            QVERIFY(found >= 0);
            image.seek(found);
            image.write(QByteArray(64 << 10, '\0'));
        }
        QVERIFY(sh({QStringLiteral("btrfs"), QStringLiteral("device"), QStringLiteral("scan"),
                    _pair->device(0), _pair->device(2)}));
        QVERIFY(sh({QStringLiteral("mount"), _pair->device(0), _pair->mountPoint()}));
        QString scrub;
        BtrfsScratch::run({QStringLiteral("btrfs"), QStringLiteral("scrub"),
                           QStringLiteral("start"), QStringLiteral("-B"), _pair->mountPoint()},
                          &scrub); // exit status 3: errors found (and corrected)
        QVERIFY2(!sysfsValue(_fsid, QStringLiteral("devinfo/1/error_stats"))
                      .contains(u"corruption_errs 0"),
                 qPrintable(scrub));
        QVERIFY(waitUntil([&] { return failedDrives(_port) == QStringList{u"0"_qs}; }, 10000));
        QVERIFY2(waitUntil([&] { return _h->countRows(QStringLiteral("Disk1 has failed.")) == 1; },
                           20000),
                 qPrintable(_h->logRows().join(u'\n')));
        QVERIFY(_h->waitIcon(2));

        const int retrieved = _h->countRows(kRetrieved);
        QVERIFY(sh({QStringLiteral("btrfs"), QStringLiteral("device"), QStringLiteral("stats"),
                    QStringLiteral("-z"), _pair->mountPoint()}));
        QVERIFY(waitUntil([&] { return failedDrives(_port).isEmpty(); }, 10000));
        QVERIFY(waitUntil([&] { return _h->countRows(kRetrieved) == retrieved + 1; }, 20000));
        QVERIFY(_h->waitIcon(1));
    }
};

TAMRO_TEST_GUILESS_MAIN(BtrfsTest)
#include "test_btrfs.moc"
