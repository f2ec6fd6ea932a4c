// SPDX-License-Identifier: GPL-3.0-or-later
// The event log: reading and writing the CSV file, the size bound, the line format, failed
// writes, and the log table.
#include "settingsfakes.h"
#include "testfiles.h"
#include "testmain.h"

#include "presentation/statuspresentation.h"
#include "settings/eventlog.h"
#include "settings/eventlogactions.h"
#include "settings/logtablemodel.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <QTcpServer>
#include <QTcpSocket>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

using Text = SettingsForm::Text;

namespace {

using tamro::test::readFile;

const QByteArray kHeaderLine = "DiscoveryTime,DeviceName,FriendlyMode,ExecInfo\r\n";

QByteArray eventLine(int n)
{
    return "Mon Jan  1 00:00:00 2024,Box" + QByteArray::number(n) + ",RAID 1,event " +
           QByteArray::number(n) + "\r\n";
}

// A log file of a header and events 1..count (event 1 the newest).
QByteArray logOf(int count)
{
    QByteArray bytes = kHeaderLine;
    for (int n = 1; n <= count; ++n)
        bytes += eventLine(n);
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The lines of a file that must end every line with CR LF.
QList<QByteArray> crlfLines(const QByteArray& bytes)
{
    if (!bytes.endsWith("\r\n"))
        return {};
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast();
    for (QByteArray& line : lines) {
        if (!line.endsWith('\r') || line.chopped(1).contains('\r'))
            return {};
        line.chop(1);
    }
    return lines;
}

QStringList fieldsOf(const EventLog& log, int row)
{
    QStringList fields;
    for (int column = 0; column < 4; ++column)
        fields.append(log.field(row, column));
    return fields;
}

const QRegularExpression kCtimeLayout(
    QStringLiteral("^(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|"
                   "Nov|Dec) [ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}$"));

// Takes bytes until a limit, then fails with an error or stops taking any without one (as a
// full disk may); may take at most a chunk per call.
class LimitedDevice : public QIODevice
{
public:
    LimitedDevice(qint64 limit, bool reportsError, qint64 chunk)
        : _limit(limit), _reportsError(reportsError), _chunk(chunk)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    QByteArray taken;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override
    {
        if (taken.size() >= _limit)
            return _reportsError ? -1 : 0;
        const qint64 count = std::min({length, _limit - taken.size(), _chunk});
        taken.append(data, count);
        return count;
    }

private:
    qint64 _limit;
    bool _reportsError;
    qint64 _chunk;
};

// Opens a FIFO's writing end once, after a while, unless stopped first: a reader stuck
// opening the FIFO (which waits for a writer) is then set free and reads nothing.
class FifoUnblocker
{
public:
    explicit FifoUnblocker(const QByteArray& fifo)
    {
        if (fifo.isEmpty())
            return;
        _thread = std::thread([this, fifo] {
            std::unique_lock lock(_mutex);
            if (_stopped.wait_for(lock, std::chrono::seconds(10), [this] { return _stop; }))
                return;
            const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        });
    }
    ~FifoUnblocker()
    {
        if (!_thread.joinable())
            return;
        {
            std::lock_guard lock(_mutex);
            _stop = true;
        }
        _stopped.notify_all();
        _thread.join();
    }

private:
    std::thread _thread;
    std::mutex _mutex;
    std::condition_variable _stopped;
    bool _stop = false;
};

} // namespace

class TestEventLog : public QObject
{
    Q_OBJECT

private:
    QString path(const QString& name) const { return _dir->filePath(name); }

    std::unique_ptr<ControllerRig> rigWithLog(const QString& logPath)
    {
        auto rig = std::make_unique<ControllerRig>(path(QStringLiteral("settings.conf")));
        rig->launchWithLog(logPath);
        return rig;
    }

    std::unique_ptr<QTemporaryDir> _dir;

private slots:
    void initTestCase() { nameApplication(); }

    void init()
    {
        _dir = std::make_unique<QTemporaryDir>();
        QVERIFY(_dir->isValid());
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        const QString header = EventLog::kHeader;
        QTest::newRow("nothing") << QByteArray() << QStringList{header};
        QTest::newRow("only line ends") << QByteArray("\r\n\n\r\r\n") << QStringList{header};
        QTest::newRow("not UTF-8") << QByteArray("H\r\n\xff\xfe,x\r\n") << QStringList{header};
        QTest::newRow("CR LF") << QByteArray("H\r\na,b\r\n") << QStringList{"H\r\n", "a,b\r\n"};
        QTest::newRow("LF only, blank lines")
            << QByteArray("H\n\na,b\n\n\nc\n") << QStringList{"H\r\n", "a,b\r\n", "c\r\n"};
        QTest::newRow("CR only, no final line end")
            << QByteArray("H\ra\rb") << QStringList{"H\r\n", "a\r\n", "b\r\n"};
        QTest::newRow("leading white space dropped, trailing kept")
            << QByteArray("H\n \t a,b  \n   \n\tc\n") << QStringList{"H\r\n", "a,b  \r\n", "c\r\n"};
        QTest::newRow("byte-order mark dropped")
            << QByteArray("\xEF\xBB\xBFH\r\n") << QStringList{"H\r\n"};
        QTest::newRow("any first line is the header")
            << QByteArray("whatever\r\nx\r\n") << QStringList{"whatever\r\n", "x\r\n"};
        QTest::newRow("UTF-8 text")
            << QByteArray("H\r\nt,B\xC3\xBCro,-,ok\r\n")
            << QStringList{"H\r\n", QString::fromUtf8("t,B\xC3\xBCro,-,ok\r\n")};
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QCOMPARE(EventLog::parse(bytes), entries);
    }

    void makeLine_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("line");
        const QString t = QStringLiteral("Tue Dec  8 14:16:11 2026");
        QTest::newRow("state") << "1234"
                               << "RAID 1"
                               << "Retrieved configuration."
                               << t + ",1234,RAID 1,Retrieved configuration.\r\n";
        QTest::newRow("empty mode written -")
            << "1234"
            << ""
            << "Disk1 is not connected." << t + ",1234,-,Disk1 is not connected.\r\n";
        QTest::newRow("message") << "Office"
                                 << "-"
                                 << "Mail sent." << t + ",Office,-,Mail sent.\r\n";
        QTest::newRow("comma in a name is quoted") << "Office, 2nd"
                                                   << "RAID 0"
                                                   << "x" << t + ",\"Office, 2nd\",RAID 0,x\r\n";
        QTest::newRow("quotes doubled") << "The \"big\" one"
                                        << "RAID 0"
                                        << "x" << t + ",\"The \"\"big\"\" one\",RAID 0,x\r\n";
        QTest::newRow("formula guarded, then quoted")
            << "1"
            << "=HYPERLINK(\"http://127.0.0.1:9/?\"&A1,\"Click\")"
            << "x" << t + ",1,\"'=HYPERLINK(\"\"http://127.0.0.1:9/?\"\"&A1,\"\"Click\"\")\",x\r\n";
        QTest::newRow("+, - and @ guarded; the lone - placeholder not")
            << "+1"
            << "-"
            << "@SUM(A1)" << t + ",'+1,-,'@SUM(A1)\r\n";
        QTest::newRow("an apostrophe before a formula kept by one more")
            << "'=1"
            << "RAID 0"
            << "x" << t + ",''=1,RAID 0,x\r\n";
        QTest::newRow("ESC, NUL, TAB and C1 visible")
            << QString::fromUtf16(u"\x1b]0;T\x07\0\tx\x9b", 10) << "RAID 0"
            << "x" << t + ",\\x1b]0;T\\x07\\x00\\x09x\\x9b,RAID 0,x\r\n";
        QTest::newRow("LF in a name") << "Off\nice"
                                      << "RAID 0"
                                      << "x" << t + ",Off ice,RAID 0,x\r\n";
        QTest::newRow("CR in a name") << "Off\rice"
                                      << "RAID 0"
                                      << "x" << t + ",Off ice,RAID 0,x\r\n";
        QTest::newRow("CR LF in a message is one blank")
            << "1"
            << "-"
            << "one\r\ntwo\n\nthree" << t + ",1,-,one two  three\r\n";
    }

    void makeLine()
    {
        QFETCH(QString, name);
        QFETCH(QString, mode);
        QFETCH(QString, last);
        QFETCH(QString, line);
        const QString made =
            EventLog::makeLine(QStringLiteral("Tue Dec  8 14:16:11 2026"), name, mode, last);
        QCOMPARE(made, line);
        QCOMPARE(EventLog::parse(kHeaderLine + made.toUtf8()).size(), 2);
    }

    void sizeBound_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("entriesAfter");
        QTest::addColumn<int>("oldestAfter");
        QTest::newRow("997 events grow to 998") << 997 << 999 << 997;
        QTest::newRow("998 events: the oldest goes") << 998 << 999 << 997;
        QTest::newRow("1100 events read at launch are cut to the bound") << 1100 << 999 << 997;
    }

    void sizeBound()
    {
        QFETCH(int, events);
        QFETCH(int, entriesAfter);
        QFETCH(int, oldestAfter);
        const QString file = path(QStringLiteral("log.csv"));
        QVERIFY(writeFile(file, logOf(events)));
        EventLog log;
        log.read(file);
        QCOMPARE(log.entries().size(), events + 1);
        log.insert(QStringLiteral("new\r\n"));
        QCOMPARE(log.entries().size(), entriesAfter);
        QCOMPARE(log.entries().at(0), EventLog::kHeader);
        QCOMPARE(log.entries().at(1), QStringLiteral("new\r\n"));
        QCOMPARE(log.entries().last(), QString::fromUtf8(eventLine(oldestAfter)));
    }

    void insertIntoAnEmptyLogAddsTheHeader()
    {
        EventLog log;
        log.insert(QStringLiteral("a\r\n"));
        QCOMPARE(log.entries(), (QStringList{EventLog::kHeader, QStringLiteral("a\r\n")}));
    }

    void fields_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("four fields")
            << QByteArray("t,1234,RAID 1,Retrieved configuration.\r\n")
            << QStringList{"t", "1234", "RAID 1", "Retrieved configuration."};
        QTest::newRow("comma in a name shifts the columns")
            << QByteArray("t,Office, 2nd,RAID 1,ok\r\n")
            << QStringList{"t", "Office", " 2nd", "RAID 1"};
        QTest::newRow("missing fields are empty")
            << QByteArray("t,1234\r\n") << QStringList{"t", "1234", "", ""};
        QTest::newRow("a run of commas is one separator")
            << QByteArray("t,,1234,,,x\r\n") << QStringList{"t", "1234", "x", ""};
        // Rows as the previous version wrote them (every field as it was) read as they did.
        QTest::newRow("previous version: a quote inside a name")
            << QByteArray("t,The \"big\" one,RAID 1,ok\r\n")
            << QStringList{"t", "The \"big\" one", "RAID 1", "ok"};
        QTest::newRow("previous version: a name in quotes")
            << QByteArray("t,\"Office\",RAID 1,ok\r\n")
            << QStringList{"t", "\"Office\"", "RAID 1", "ok"};
        QTest::newRow("previous version: a quote that opens and never closes")
            << QByteArray("t,\"Office, 2nd,RAID 1,ok\r\n")
            << QStringList{"t", "\"Office", " 2nd", "RAID 1"};
        QTest::newRow("previous version: an apostrophe before a name")
            << QByteArray("t,'Office,RAID 1,ok\r\n") << QStringList{"t", "'Office", "RAID 1", "ok"};
        // Rows as this version writes them.
        QTest::newRow("quoted fields, quotes doubled")
            << QByteArray("t,\"Office, \"\"2nd\"\"\",RAID 1,ok\r\n")
            << QStringList{"t", "Office, \"2nd\"", "RAID 1", "ok"};
        QTest::newRow("the apostrophe that guards a formula is not shown")
            << QByteArray("t,'=1+2,\"'=A1,B1\",''-x\r\n")
            << QStringList{"t", "=1+2", "=A1,B1", "'-x"};
    }

    void fields()
    {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, fields);
        const QString file = path(QStringLiteral("log.csv"));
        QVERIFY(writeFile(file, kHeaderLine + line));
        EventLog log;
        log.read(file);
        QCOMPARE(log.rowCount(), 1);
        QCOMPARE(fieldsOf(log, 0), fields);
        QCOMPARE(log.field(1, 0), QString());
        QCOMPARE(log.field(-1, 0), QString());
    }

    void logTable()
    {
        const QString file = path(QStringLiteral("log.csv"));
        QVERIFY(writeFile(file, logOf(2) + "t,Office, 2nd,RAID 1,ok\r\n"));
        EventLog log;
        log.read(file);
        LogTableModel model(&log);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.columnCount(), 5);
        QStringList ids;
        for (int c = 0; c < model.columnCount(); ++c)
            ids.append(model.headerData(c, Qt::Horizontal, Qt::UserRole).toString());
        QCOMPARE(ids,
                 (QStringList{"no", "DiscoveryTime", "DeviceName", "FriendlyMode", "ExecInfo"}));
        QCOMPARE(model.data(model.index(0, 0)), QVariant(0));
        QCOMPARE(model.data(model.index(2, 0)), QVariant(2));
        QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral("Box1"));
        QCOMPARE(model.data(model.index(0, 4)).toString(), QStringLiteral("event 1"));
        QCOMPARE(model.data(model.index(2, 2)).toString(), QStringLiteral("Office"));
        QCOMPARE(model.data(model.index(2, 3)).toString(), QStringLiteral(" 2nd"));
        QCOMPARE(model.data(model.index(2, 4)).toString(), QStringLiteral("RAID 1"));
        QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, 1), QStringLiteral("edited"), Qt::EditRole));
        QCOMPARE(model.data(model.index(0, 1)).toString(),
                 QStringLiteral("Mon Jan  1 00:00:00 2024"));

        EventLog empty;
        QCOMPARE(LogTableModel(&empty).rowCount(), 0);
    }

    void writeToADeviceNeedsEveryByte_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<bool>("reportsError");
        QTest::addColumn<qint64>("chunk");
        QTest::addColumn<bool>("ok");
        const qint64 all = std::numeric_limits<qint64>::max();
        QTest::newRow("fails at once") << qint64(0) << true << all << false;
        QTest::newRow("fails after 10 bytes") << qint64(10) << true << all << false;
        QTest::newRow("stops after 10 bytes without an error")
            << qint64(10) << false << all << false;
        QTest::newRow("one byte short") << qint64(logOf(3).size() - 1) << false << all << false;
        QTest::newRow("takes 7 bytes at a time") << all << false << qint64(7) << true;
        QTest::newRow("takes everything") << all << false << all << true;
    }

    void writeToADeviceNeedsEveryByte()
    {
        QFETCH(qint64, limit);
        QFETCH(bool, reportsError);
        QFETCH(qint64, chunk);
        QFETCH(bool, ok);
        const QString file = path(QStringLiteral("log.csv"));
        QVERIFY(writeFile(file, logOf(3)));
        EventLog log;
        log.read(file);
        LimitedDevice device(limit, reportsError, chunk);
        QCOMPARE(log.writeTo(device), ok);
        if (ok)
            QCOMPARE(device.taken, logOf(3));
    }

    void fullDiskLeavesTheOldFile()
    {
        const QString mountPoint = path(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(mountPoint));
        if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=64k") !=
            0) {
            const QByteArray reason =
                "cannot mount a small tmpfs: " + QByteArray(std::strerror(errno));
            QSKIP(reason.constData());
        }
        const auto unmount =
            qScopeGuard([&] { ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH); });

        const QString file = mountPoint + QStringLiteral("/log.csv");
        EventLog log;
        log.read(file);
        for (int n = 1; n <= 10; ++n)
            log.insert(QString::fromUtf8(eventLine(n)));
        QVERIFY(log.write(file));
        const QByteArray good = readFile(file);
        QCOMPARE(crlfLines(good).size(), 11);

        // Fill the disk but a little.
        QFile filler(mountPoint + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        QVERIFY(filler.resize(filler.size() - 8192));

        for (int n = 11; n <= 900; ++n)
            log.insert(QString::fromUtf8(eventLine(n)));
        QVERIFY(!log.write(file));
        QCOMPARE(readFile(file), good);
        const QStringList left = QDir(mountPoint).entryList(QDir::Files);
        QCOMPARE(left, (QStringList{QStringLiteral("filler"), QStringLiteral("log.csv")}));
    }

    // --- The controller's log

    void noFileThenOneEvent()
    {
        const QString file = path(QStringLiteral("log.csv"));
        auto rig = rigWithLog(file);
        AppController& c = *rig->controller;
        QCOMPARE(c.logTableModel()->rowCount(), 0);
        QSignalSpy written(&c, &AppController::logWritten);

        c.eventLogActions().writeCSVFile(QString(), 0);
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.at(0).at(0).toBool(), true);
        QVERIFY(rig->modal.alerts.isEmpty());
        const QList<QByteArray> lines = crlfLines(readFile(file));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), kHeaderLine.chopped(2));
        QCOMPARE(c.logTableModel()->rowCount(), 1);

        // A state row: time, display name, mode or "-", plug information.
        const QStringList fields = fieldsOf(c.eventLog(), 0);
        QVERIFY2(kCtimeLayout.match(fields.at(0)).hasMatch(), qPrintable(fields.at(0)));
        QCOMPARE(fields.at(1), c.statusPresentation().deviceName(0));
        const QString mode = c.client().friendlyMode(0);
        QCOMPARE(fields.at(2), mode.isEmpty() ? QStringLiteral("-") : mode);
        QCOMPARE(fields.at(3), c.client().plugInfo(0));
    }

    void messageRowsAndTheNumberColumn()
    {
        const QString file = path(QStringLiteral("log.csv"));
        QVERIFY(writeFile(file, logOf(1)));
        auto rig = rigWithLog(file);
        AppController& c = *rig->controller;
        c.eventLogActions().writeCSVFile(QStringLiteral("first message"), 0);
        c.eventLogActions().writeCSVFile(QStringLiteral("second\r\nmessage"), 0);

        const QList<QByteArray> lines = crlfLines(readFile(file));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(3), eventLine(1).chopped(2));

        LogTableModel* model = c.logTableModel();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->data(model->index(0, 0)), QVariant(0));
        QCOMPARE(model->data(model->index(0, 2)).toString(), c.statusPresentation().deviceName(0));
        QCOMPARE(model->data(model->index(0, 3)).toString(), QStringLiteral("-"));
        QCOMPARE(model->data(model->index(0, 4)).toString(), QStringLiteral("second message"));
        QCOMPARE(model->data(model->index(1, 0)), QVariant(1));
        QCOMPARE(model->data(model->index(1, 4)).toString(), QStringLiteral("first message"));
        QVERIFY(kCtimeLayout.match(model->data(model->index(1, 1)).toString()).hasMatch());
    }

    void fileGrownAtLaunch_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("linesAfter");
        QTest::newRow("998 events plus one") << 998 << 999;
        QTest::newRow("1100 events are cut to 999 lines") << 1100 << 999;
    }

    void fileGrownAtLaunch()
    {
        QFETCH(int, events);
        QFETCH(int, linesAfter);
        const QString file = path(QStringLiteral("log.csv"));
        QVERIFY(writeFile(file, logOf(events)));
        auto rig = rigWithLog(file);
        rig->controller->eventLogActions().writeCSVFile(QStringLiteral("newest"), 0);
        const QList<QByteArray> lines = crlfLines(readFile(file));
        QCOMPARE(lines.size(), linesAfter);
        QVERIFY(lines.at(1).endsWith(",-,newest"));
        QCOMPARE(lines.at(2), eventLine(1).chopped(2));
        QCOMPARE(lines.last(), eventLine(linesAfter - 2).chopped(2));
    }

    // What may be at the log path at launch. Only a regular file is read, never blocking and
    // never beyond the size cap; anything else is said in an alert, and in every case the
    // monitor goes on to ask the service for the configuration. A later write never goes
    // in place of what is not a regular file (linesAfterWrite 0; -1: not tried, as a write
    // through a link to a device must never be risked here).
    void logPathAtLaunch_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("alerts");
        QTest::addColumn<int>("linesAfterWrite");
        const QStringList notAFile{QStringLiteral("MSG_FileMessage1")};
        const QStringList tooLarge{QStringLiteral("MSG_FileMessage3")};
        QTest::newRow("regular file") << "file" << QStringList{} << 5;
        QTest::newRow("FIFO") << "fifo" << notAFile << 0;
        QTest::newRow("symbolic link to a FIFO") << "link to fifo" << notAFile << 0;
        QTest::newRow("symbolic link to a character device") << "link to device" << notAFile << -1;
        QTest::newRow("folder") << "folder" << notAFile << 0;
        QTest::newRow("larger than 16 MiB") << "large" << tooLarge << 999;
    }

    void logPathAtLaunch()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, alerts);
        QFETCH(int, linesAfterWrite);
        const QString file = path(QStringLiteral("log.csv"));
        const QByteArray fileName = QFile::encodeName(file);
        const QByteArray fifoName = QFile::encodeName(path(QStringLiteral("fifo")));
        int rowsRead = 0;
        if (kind == QLatin1String("file")) {
            QVERIFY(writeFile(file, logOf(3)));
            rowsRead = 3;
        } else if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(fileName.constData(), 0600), 0);
        } else if (kind == QLatin1String("link to fifo")) {
            QCOMPARE(::mkfifo(fifoName.constData(), 0600), 0);
            QVERIFY(QFile::link(QString::fromLocal8Bit(fifoName), file));
        } else if (kind == QLatin1String("link to device")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), file));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(file));
        } else {
            // Whole lines up to a little past the cap: what fits below it is read.
            QByteArray bytes = kHeaderLine;
            for (int n = 1; bytes.size() <= EventLog::kMaxFileBytes + 4096; ++n)
                bytes += eventLine(n);
            QVERIFY(writeFile(file, bytes));
            rowsRead = int(bytes.left(EventLog::kMaxFileBytes).count('\n')) - 1;
        }
        // Should the program be stuck opening a FIFO for reading, the writing end is opened
        // once after a while: the test then fails instead of hanging.
        FifoUnblocker unblocker(kind.contains(QLatin1String("fifo"))
                                    ? (kind == QLatin1String("fifo") ? fileName : fifoName)
                                    : QByteArray());

        QTcpServer service;
        QVERIFY(service.listen(QHostAddress::LocalHost, 0));
        ControllerRig rig(path(QStringLiteral("settings.conf")),
                          QStringLiteral("/opt/tamro/tamro-monitor"), nullptr,
                          service.serverPort());
        rig.store.setString(QStringLiteral("LogFilePath"), file);
        rig.controller->applicationDidFinishLaunching();
        QCOMPARE(rig.modal.alerts, alerts);
        QCOMPARE(rig.controller->eventLog().rowCount(), rowsRead);
        QCOMPARE(rig.controller->eventLog().entries().value(0), EventLog::kHeader);

        // The monitor goes on: it connects and asks for the configuration.
        QTRY_VERIFY(service.hasPendingConnections());
        QTcpSocket* socket = service.nextPendingConnection();
        QByteArray received;
        QTRY_VERIFY((received += socket->readAll()).endsWith("\r\n"));
        QCOMPARE(received, QByteArray("<SVConfigCmd/>\r\n"));

        if (linesAfterWrite < 0)
            return;
        rig.controller->eventLogActions().writeCSVFile(QStringLiteral("newest"), 0);
        if (linesAfterWrite == 0) {
            QCOMPARE(rig.modal.alerts, alerts + QStringList{QStringLiteral("MSG_FileMessage2")});
            struct stat info = {};
            QCOMPARE(::stat(fileName.constData(), &info), 0);
            QVERIFY(!S_ISREG(info.st_mode));
        } else {
            QCOMPARE(rig.modal.alerts, alerts);
            const QList<QByteArray> lines = crlfLines(readFile(file));
            QCOMPARE(lines.size(), linesAfterWrite);
            QVERIFY(lines.at(1).endsWith(",-,newest"));
            QCOMPARE(lines.at(2), eventLine(1).chopped(2));
        }
    }

    void lfOnlyFileIsRewrittenWithCrLf()
    {
        const QString file = path(QStringLiteral("log.csv"));
        QVERIFY(writeFile(file, "DiscoveryTime,DeviceName,FriendlyMode,ExecInfo\n\n"
                                "  t1,a,RAID 1,x\n\n\nt2,b,RAID 0,y\n"));
        auto rig = rigWithLog(file);
        rig->controller->eventLogActions().writeCSVFile(QStringLiteral("new"), 0);
        const QByteArray bytes = readFile(file);
        const QList<QByteArray> lines = crlfLines(bytes);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), kHeaderLine.chopped(2));
        QVERIFY(lines.at(1).endsWith(",-,new"));
        QCOMPARE(lines.at(2), QByteArray("t1,a,RAID 1,x"));
        QCOMPARE(lines.at(3), QByteArray("t2,b,RAID 0,y"));
    }

    // A log written by the previous version, which wrote every field as it was: it loads
    // row for row as it did, and a new event leaves its lines byte for byte.
    void previousVersionLogLoadsRowForRow()
    {
        const QByteArray old = kHeaderLine +
                               "Tue Dec  8 14:16:11 2026,=HYPERLINK(\"x\",1),RAID 1,ok\r\n"
                               "Tue Dec  8 14:16:10 2026,Office, 2nd,-,Mail sent.\r\n"
                               "Tue Dec  8 14:16:09 2026,\"Office\",RAID 0,ok\r\n"
                               "Tue Dec  8 14:16:08 2026,'Studio,RAID 1,Disk2 is not connected.\r\n"
                               "Tue Dec  8 14:16:07 2026,=1+2,-2,@x\r\n";
        const QList<QStringList> rows{
            {"Tue Dec  8 14:16:11 2026", "=HYPERLINK(\"x\"", "1)", "RAID 1"},
            {"Tue Dec  8 14:16:10 2026", "Office", " 2nd", "-"},
            {"Tue Dec  8 14:16:09 2026", "\"Office\"", "RAID 0", "ok"},
            {"Tue Dec  8 14:16:08 2026", "'Studio", "RAID 1", "Disk2 is not connected."},
            {"Tue Dec  8 14:16:07 2026", "=1+2", "-2", "@x"},
        };
        const QString file = path(QStringLiteral("log.csv"));
        QVERIFY(writeFile(file, old));
        EventLog log;
        log.read(file);
        QCOMPARE(log.rowCount(), int(rows.size()));
        for (int r = 0; r < rows.size(); ++r)
            QCOMPARE(fieldsOf(log, r), rows.at(r));

        log.insert(EventLog::makeLine(QStringLiteral("t"), QStringLiteral("1"), QString(),
                                      QStringLiteral("new")));
        QVERIFY(log.write(file));
        QCOMPARE(readFile(file), kHeaderLine + "t,1,-,new\r\n" + old.mid(kHeaderLine.size()));
    }

    void writeIntoAMissingFolderAlerts()
    {
        const QString missing = path(QStringLiteral("no/such/folder/log.csv"));
        auto rig = rigWithLog(missing);
        AppController& c = *rig->controller;
        QSignalSpy written(&c, &AppController::logWritten);
        c.eventLogActions().writeCSVFile(QStringLiteral("lost?"), 0);
        QCOMPARE(rig->modal.alerts, QStringList{qtTrId("MSG_FileMessage2")});
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.at(0).at(0).toBool(), false);
        QVERIFY(!QFile::exists(missing));
        QCOMPARE(c.logTableModel()->rowCount(), 1);
        QCOMPARE(c.logTableModel()->data(c.logTableModel()->index(0, 4)).toString(),
                 QStringLiteral("lost?"));

        // The next good write stores the row kept in memory too.
        const QString good = path(QStringLiteral("log.csv"));
        c.form().setText(Text::LogFilePath, good);
        c.eventLogActions().writeCSVFile(QStringLiteral("kept"), 0);
        QCOMPARE(rig->modal.alerts.size(), 1);
        const QList<QByteArray> lines = crlfLines(readFile(good));
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines.at(2).endsWith(",-,lost?"));
    }

    void defaultFolderIsCreated()
    {
        const QString defaultPath =
            AppController::registeredDefaults().value(QStringLiteral("LogFilePath")).toString();
        QCOMPARE(defaultPath, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                                  QStringLiteral("/TAMRORAIDLOG.csv"));
        QDir(QFileInfo(defaultPath).absolutePath()).removeRecursively();
        auto rig = rigWithLog(defaultPath);
        QCOMPARE(rig->controller->form().text(Text::LogFilePath), defaultPath);
        rig->controller->eventLogActions().writeCSVFile(QStringLiteral("first"), 0);
        QVERIFY(rig->modal.alerts.isEmpty());
        QCOMPARE(crlfLines(readFile(defaultPath)).size(), 2);
    }

    void pathChangeWritesTheWholeLogToTheNewFile()
    {
        const QString first = path(QStringLiteral("first.csv"));
        const QString second = path(QStringLiteral("second.csv"));
        QVERIFY(writeFile(first, logOf(3)));
        auto rig = rigWithLog(first);
        rig->controller->form().setText(Text::LogFilePath, second);
        rig->controller->eventLogActions().writeCSVFile(QStringLiteral("moved"), 0);
        QCOMPARE(readFile(first), logOf(3));
        const QList<QByteArray> lines = crlfLines(readFile(second));
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines.at(1).endsWith(",-,moved"));
        QCOMPARE(lines.at(4), eventLine(3).chopped(2));
    }

    void undecodableFileIsKeptBeside()
    {
        const QString file = path(QStringLiteral("log.csv"));
        const QByteArray latin1 =
            "DiscoveryTime,DeviceName,FriendlyMode,ExecInfo\r\nt,B\xFCro,-,x\r\n";
        QVERIFY(writeFile(file, latin1));
        auto rig = rigWithLog(file);
        QCOMPARE(rig->controller->eventLog().entries(), QStringList{EventLog::kHeader});
        QCOMPARE(readFile(file + QStringLiteral(".undecodable")), latin1);
        rig->controller->eventLogActions().writeCSVFile(QStringLiteral("new"), 0);
        QCOMPARE(crlfLines(readFile(file)).size(), 2);
    }

    void logWindowActions()
    {
        auto rig = rigWithLog(path(QStringLiteral("log.csv")));
        rig->controller->eventLogActions().w2_OrderFront();
        rig->controller->eventLogActions().w2_Ok();
        QCOMPARE(rig->windows.calls,
                 (QStringList{QStringLiteral("showLog"), QStringLiteral("closeLog")}));
    }
};

TAMRO_TEST_GUILESS_MAIN(TestEventLog)
#include "test_eventlog.moc"
