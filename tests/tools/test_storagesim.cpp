// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the storage-service simulator as a separate process and talks to it over real loopback
// sockets, the way the monitor and the end-to-end tests do.
#include "testmain.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <memory>

namespace {

constexpr int Timeout = 10000;

QString decode(const QString& codeList)
{
    QString text;
    static const QRegularExpression sep(QStringLiteral(",\\s*"));
    for (const QString& token : codeList.split(sep, Qt::SkipEmptyParts))
        text += QChar(token.toInt());
    return text;
}

bool isCodeAttribute(const QString& name)
{
    static const QStringList names = {QStringLiteral("SerialNumber"),
                                      QStringLiteral("ModelName"),
                                      QStringLiteral("BoxRebuildStatus"),
                                      QStringLiteral("FriendlyMode"),
                                      QStringLiteral("ProductName"),
                                      QStringLiteral("ExecInfo"),
                                      QStringLiteral("BoxSN")};
    return names.contains(name);
}

using Attributes = QHash<QString, QString>;

// One enclosure as the monitor's parser sees it: elements taken in document order.
struct Box
{
    Attributes box, drive[2], part[2], volume;
    QStringList order;   // element names between the SVBox start and end tags
    QString driveParent; // parent element of the SVPhysDrive elements
};

struct Message
{
    QByteArray bytes;
    QString error; // XML error, empty when well formed
    QString root;
    Attributes rootAttributes;
    Attributes system, event;
    QList<Box> boxes;
    QStringList topLevel; // children of the root element, in order

    const Box* boxBySerial(const QString& serial) const
    {
        for (const Box& b : boxes) {
            if (decode(b.box.value(QStringLiteral("SerialNumber"))) == serial)
                return &b;
        }
        return nullptr;
    }
    QStringList serials() const
    {
        QStringList out;
        for (const Box& b : boxes)
            out << decode(b.box.value(QStringLiteral("SerialNumber")));
        return out;
    }
};

Attributes attributesOf(const QXmlStreamReader& xml)
{
    Attributes out;
    for (const QXmlStreamAttribute& a : xml.attributes())
        out.insert(a.name().toString(), a.value().toString());
    return out;
}

Message parse(const QByteArray& bytes)
{
    Message m;
    m.bytes = bytes;
    QXmlStreamReader xml(bytes);
    QStringList stack;
    int diskId = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            const Attributes attrs = attributesOf(xml);
            if (stack.isEmpty()) {
                m.root = name;
                m.rootAttributes = attrs;
            } else if (stack.size() == 1) {
                m.topLevel << name;
            }
            if (name == QLatin1String("SVSystem"))
                m.system = attrs;
            else if (name == QLatin1String("SVEvent"))
                m.event = attrs;
            else if (name == QLatin1String("SVBox")) {
                m.boxes.append(Box());
                m.boxes.last().box = attrs;
            } else if (!m.boxes.isEmpty() && stack.contains(QLatin1String("SVBox"))) {
                Box& b = m.boxes.last();
                b.order << name;
                if (name == QLatin1String("SVPhysDrive")) {
                    diskId = attrs.value(QStringLiteral("id")).toInt();
                    if (diskId == 0 || diskId == 1)
                        b.drive[diskId] = attrs;
                    b.driveParent = stack.last();
                } else if (name == QLatin1String("SVPhysPartition")) {
                    if (diskId == 0 || diskId == 1)
                        b.part[diskId] = attrs;
                } else if (name == QLatin1String("SVPartialVolume")) {
                    b.volume = attrs;
                }
            }
            stack << name;
        } else if (xml.isEndElement()) {
            stack.removeLast();
        }
    }
    if (xml.hasError())
        m.error = xml.errorString();
    return m;
}

// A plain client of the service port, reading CR LF terminated messages.
class Client
{
public:
    bool connectTo(quint16 port)
    {
        _socket.connectToHost(QHostAddress::LocalHost, port);
        return _socket.waitForConnected(Timeout);
    }
    void send(const QByteArray& bytes)
    {
        _socket.write(bytes);
        _socket.flush();
        _socket.waitForBytesWritten(Timeout);
    }
    // The next message up to and including its CR LF; empty on time-out.
    QByteArray nextRaw()
    {
        qsizetype end;
        while ((end = _buffer.indexOf("\r\n")) < 0) {
            if (!readMore())
                return {};
        }
        const QByteArray out = _buffer.left(end + 2);
        _buffer.remove(0, end + 2);
        return out;
    }
    Message next() { return parse(nextRaw()); }
    QByteArray exactly(qsizetype n)
    {
        while (_buffer.size() < n) {
            if (!readMore())
                break;
        }
        const QByteArray out = _buffer.left(n);
        _buffer.remove(0, out.size());
        return out;
    }
    bool readMore()
    {
        if (_socket.bytesAvailable() == 0 && !_socket.waitForReadyRead(Timeout))
            return false;
        _buffer += _socket.readAll();
        ++_reads;
        return true;
    }
    const QByteArray& pending() const { return _buffer; }
    int reads() const { return _reads; }
    QTcpSocket& socket() { return _socket; }

private:
    QTcpSocket _socket;
    QByteArray _buffer;
    int _reads = 0;
};

// The simulator process with its control connection.
class Sim
{
public:
    ~Sim()
    {
        if (QTest::currentTestFailed())
            qWarning("simulator diagnostics:\n%s", stderrText().constData());
        if (_process.state() != QProcess::NotRunning) {
            _process.kill();
            _process.waitForFinished(Timeout);
        }
    }

    bool start(const QStringList& extra = {})
    {
        QStringList args = {QStringLiteral("--port"),         QStringLiteral("0"),
                            QStringLiteral("--control-port"), QStringLiteral("0"),
                            QStringLiteral("--gap-ms"),       QStringLiteral("5")};
        _process.start(QStringLiteral(TAMRO_SIM_PATH), args + extra);
        if (!_process.waitForStarted(Timeout))
            return false;
        for (;;) {
            const QByteArray line = readLine();
            if (line.isEmpty())
                return false;
            if (line.startsWith("control "))
                _controlPort = quint16(line.mid(8).toUInt());
            if (line.startsWith("listening ")) {
                port = quint16(line.mid(10).toUInt());
                break;
            }
        }
        _control.connectToHost(QHostAddress::LocalHost, _controlPort);
        return port != 0 && _control.waitForConnected(Timeout);
    }

    // Sends one control line; returns the reply lines, the last one "ok" or "error: ...".
    QStringList command(const QString& line)
    {
        _control.write(line.toUtf8() + '\n');
        _control.flush();
        QStringList lines;
        for (;;) {
            while (!_control.canReadLine()) {
                if (!_control.waitForReadyRead(Timeout))
                    return lines << QStringLiteral("(no reply)");
            }
            lines << QString::fromUtf8(_control.readLine()).trimmed();
            if (lines.last() == QLatin1String("ok") || lines.last().startsWith("error: "))
                return lines;
        }
    }
    QString reply(const QString& line) { return command(line).last(); }

    QProcess& process() { return _process; }
    // Everything the simulator has written to standard error so far.
    QByteArray stderrText()
    {
        _stderr += _process.readAllStandardError();
        return _stderr;
    }

    quint16 port = 0;

private:
    QByteArray readLine()
    {
        while (!_process.canReadLine()) {
            if (!_process.waitForReadyRead(Timeout))
                return {};
        }
        return _process.readLine().trimmed();
    }

    QProcess _process;
    QTcpSocket _control;
    quint16 _controlPort = 0;
    QByteArray _stderr;
};

QString scenario(const char* name)
{
    return QStringLiteral(TAMRO_SIM_SCENARIOS "/") + QLatin1String(name);
}

// "<serial> <element> <attr>=<value>" against a configuration; element is one of box, drive0,
// drive1, part0, part1, volume; "root <attr>=<value>" checks the command element.
QString checkProbe(const Message& config, const QString& probe)
{
    const QStringList parts = probe.split(QLatin1Char(' '));
    const qsizetype eq = probe.indexOf(QLatin1Char('='));
    const QString left = probe.left(eq);
    const QString attr = left.split(QLatin1Char(' ')).last();
    const QString expected = probe.mid(eq + 1);
    Attributes attrs;
    if (parts.first() == QLatin1String("root")) {
        attrs = config.rootAttributes;
    } else {
        const Box* b = config.boxBySerial(parts.at(0));
        if (!b)
            return QStringLiteral("no enclosure %1 in %2")
                .arg(parts.at(0), config.serials().join(','));
        const QString& el = parts.at(1);
        attrs = el == QLatin1String("box")      ? b->box
                : el == QLatin1String("drive0") ? b->drive[0]
                : el == QLatin1String("drive1") ? b->drive[1]
                : el == QLatin1String("part0")  ? b->part[0]
                : el == QLatin1String("part1")  ? b->part[1]
                                                : b->volume;
    }
    // "<serial> <element> !<attribute>": the attribute must be left out.
    if (eq < 0 && attr.startsWith(QLatin1Char('!')))
        return attrs.contains(attr.mid(1)) ? QStringLiteral("%1: attribute present").arg(probe)
                                           : QString();
    if (!attrs.contains(attr))
        return QStringLiteral("%1: attribute missing").arg(probe);
    const QString value = isCodeAttribute(attr) ? decode(attrs.value(attr)) : attrs.value(attr);
    if (value != expected)
        return QStringLiteral("%1: got \"%2\"").arg(probe, value);
    return {};
}

} // namespace

class TestStorageSim : public QObject
{
    Q_OBJECT

private slots:
    void configurationAnswer_data();
    void configurationAnswer();
    void fragmentedCommands_data();
    void fragmentedCommands();
    void changePushesEventThenConfiguration_data();
    void changePushesEventThenConfiguration();
    void removalPushesRemovalEvent_data();
    void removalPushesRemovalEvent();
    void silentModeAnswersNothing();
    void scenarioLoading_data();
    void scenarioLoading();
    void timelineRebuildsToNormal();
    void badScenarioRejected_data();
    void badScenarioRejected();
    void controlErrors_data();
    void controlErrors();
    void rawOutput_data();
    void rawOutput();
    void splitWritesKeepContent();
    void eventAndConfigurationApart();
    void pushesReachEveryClientAndDropClosesThem();
    void standardInputControlAndEnd();
    void helpDocumentsEveryCommand_data();
    void helpDocumentsEveryCommand();
};

void TestStorageSim::configurationAnswer_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("configuration") << QByteArray("SVConfigCmd");
    QTest::newRow("device scan") << QByteArray("SVScanDevicesCmd");
}

void TestStorageSim::configurationAnswer()
{
    QFETCH(QByteArray, command);
    Sim sim;
    QVERIFY(sim.start());
    Client client;
    QVERIFY(client.connectTo(sim.port));
    client.send('<' + command + "/>\r\n");
    const Message m = client.next();
    QVERIFY2(m.error.isEmpty(), qPrintable(m.error + ": " + m.bytes));
    QVERIFY(m.bytes.endsWith("</" + command + ">\r\n"));
    QCOMPARE(m.root, QString::fromLatin1(command));
    QCOMPARE(m.rootAttributes.value(QStringLiteral("eResult")), QStringLiteral("0"));
    QCOMPARE(decode(m.rootAttributes.value(QStringLiteral("ExecInfo"))),
             QStringLiteral("Retrieved configuration."));
    QCOMPARE(m.topLevel.value(0), QStringLiteral("SVSystem"));
    QCOMPARE(m.serials(), QStringList({QStringLiteral("100001"), QStringLiteral("100002")}));

    // Every code list is digits joined by ", " with codes the monitor can decode.
    static const QRegularExpression codeList(QStringLiteral("^\\d+(, \\d+)*$"));
    for (const Box& b : m.boxes) {
        QCOMPARE(b.order, QStringList({"SVPhysDrive", "SVPhysPartition", "SVPhysDrive",
                                       "SVPhysPartition", "SVPartialVolume"}));
        QCOMPARE(b.driveParent, QStringLiteral("SVBox"));
        QCOMPARE(decode(b.box.value(QStringLiteral("BoxRebuildStatus"))), QStringLiteral("Normal"));
        QVERIFY(!decode(b.box.value(QStringLiteral("ProductName"))).isEmpty());
        for (int id = 0; id < 2; ++id) {
            QCOMPARE(b.drive[id].value(QStringLiteral("id")), QString::number(id));
            QCOMPARE(b.drive[id].value(QStringLiteral("PluggedIn")), QStringLiteral("1"));
            QVERIFY(b.drive[id].value(QStringLiteral("ActualCapacity_GB")).toDouble() > 0);
            QVERIFY(!decode(b.drive[id].value(QStringLiteral("ModelName"))).isEmpty());
            QVERIFY(b.part[id].value(QStringLiteral("Capacity_GB")).toDouble() > 0);
            QCOMPARE(b.part[id].value(QStringLiteral("Status")), QStringLiteral("0"));
            QVERIFY(b.part[id].contains(QStringLiteral("RebuildProgress")));
        }
        QCOMPARE(b.volume.value(QStringLiteral("mode")), QStringLiteral("1"));
        QCOMPARE(decode(b.volume.value(QStringLiteral("FriendlyMode"))),
                 QStringLiteral("RAID 1 (Mirroring)"));
        QVERIFY(b.volume.value(QStringLiteral("Capacity_GB")).toDouble() > 0);
        for (const Attributes* attrs : {&b.box, &b.drive[0], &b.drive[1], &b.volume}) {
            for (auto it = attrs->begin(); it != attrs->end(); ++it) {
                if (!isCodeAttribute(it.key()))
                    continue;
                QVERIFY2(codeList.match(it.value()).hasMatch(), qPrintable(it.value()));
                for (const QChar c : decode(it.value()))
                    QVERIFY(c.unicode() <= 122);
            }
        }
    }

    // Exactly one answer: nothing follows it before a later marker event.
    QVERIFY(client.pending().isEmpty());
    QCOMPARE(sim.reply(QStringLiteral("event 99 4242")), QStringLiteral("ok"));
    const Message marker = client.next();
    QCOMPARE(marker.root, QStringLiteral("SVEventLogCmd"));
    QCOMPARE(marker.event.value(QStringLiteral("MsgIdx")), QStringLiteral("99"));
}

void TestStorageSim::fragmentedCommands_data()
{
    QTest::addColumn<QList<QByteArray>>("writes");
    QTest::addColumn<QStringList>("answers");
    const QStringList config = {QStringLiteral("SVConfigCmd")};
    QTest::newRow("split inside the name") << QList<QByteArray>{"<SVConf", "igCmd/>\r\n"} << config;
    QTest::newRow("split before CR LF") << QList<QByteArray>{"<SVConfigCmd/>", "\r\n"} << config;
    QList<QByteArray> bytes;
    for (const char c : QByteArray("<SVConfigCmd/>\r\n"))
        bytes << QByteArray(1, c);
    QTest::newRow("one byte per write") << bytes << config;
    QTest::newRow("two commands in one write")
        << QList<QByteArray>{"<SVConfigCmd/>\r\n<SVScanDevicesCmd/>\r\n"}
        << QStringList{"SVConfigCmd", "SVScanDevicesCmd"};
    QTest::newRow("second command split across writes")
        << QList<QByteArray>{"<SVConfigCmd/>\r\n<SVScan", "DevicesCmd/>\r\n"}
        << QStringList{"SVConfigCmd", "SVScanDevicesCmd"};
    QTest::newRow("stray bytes before a command")
        << QList<QByteArray>{"junk\r\n<SVConfigCmd/>\r\n"} << config;
    QTest::newRow("unsupported command ignored")
        << QList<QByteArray>{"<SVGPIOCmd ReadOp='0' BoxSN='49, 56'/>\r\n<SVConfigCmd/>\r\n"}
        << config;
}

void TestStorageSim::fragmentedCommands()
{
    QFETCH(QList<QByteArray>, writes);
    QFETCH(QStringList, answers);
    Sim sim;
    QVERIFY(sim.start());
    Client client;
    QVERIFY(client.connectTo(sim.port));
    for (const QByteArray& piece : writes) {
        client.send(piece);
        // A control round trip lets the simulator take in each piece on its own.
        QCOMPARE(sim.reply(QStringLiteral("status")), QStringLiteral("ok"));
    }
    for (const QString& root : answers) {
        const Message m = client.next();
        QVERIFY2(m.error.isEmpty(), qPrintable(m.error));
        QCOMPARE(m.root, root);
        QCOMPARE(m.boxes.size(), 2);
    }
    QCOMPARE(sim.reply(QStringLiteral("event 99 4242")), QStringLiteral("ok"));
    QCOMPARE(client.next().root, QStringLiteral("SVEventLogCmd"));
}

void TestStorageSim::changePushesEventThenConfiguration_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("eventSerial");
    QTest::addColumn<int>("boxCount");
    QTest::addColumn<QStringList>("probes");

    QTest::newRow("unplug disk 2")
        << QStringList() << "unplug 0 1"
        << "100001" << 2
        << QStringList{"100001 drive1 PluggedIn=0", "100001 drive0 PluggedIn=1",
                       "100002 drive1 PluggedIn=1"};
    QTest::newRow("unplug disk 1 of the second")
        << QStringList() << "unplug 1 0"
        << "100002" << 2
        << QStringList{"100002 drive0 PluggedIn=0",
                       "100002 drive0 ModelName=", "100002 drive0 ActualCapacity_GB=0",
                       "100002 drive1 PluggedIn=1"};
    QTest::newRow("unplug, event and configuration in one write")
        << QStringList{"coalesce on"} << "unplug 0 0"
        << "100001" << 2 << QStringList{"100001 drive0 PluggedIn=0"};
    QTest::newRow("plug back in") << QStringList{"unplug 0 1"} << "plug 0 1"
                                  << "100001" << 2
                                  << QStringList{"100001 drive1 PluggedIn=1",
                                                 "100001 drive1 ModelName=SimDisk 500GB"};
    QTest::newRow("plug back starting a rebuild")
        << QStringList{"unplug 0 1"} << "plug 0 1 rebuild"
        << "100001" << 2
        << QStringList{"100001 drive1 PluggedIn=1", "100001 box BoxRebuildStatus=Rebuilding",
                       "100001 part1 Status=1", "100001 part1 RebuildProgress=0",
                       "100001 part0 Status=0"};
    QTest::newRow("rebuild starts")
        << QStringList{"unplug 0 1", "plug 0 1"} << "rebuild 0 10"
        << "100001" << 2
        << QStringList{"100001 box BoxRebuildStatus=Rebuilding", "100001 part1 Status=1",
                       "100001 part1 RebuildProgress=10", "100001 part0 Status=0",
                       "100002 box BoxRebuildStatus=Normal"};
    QTest::newRow("rebuild on the drive plugged last, status 2")
        << QStringList{"unplug 1 0", "plug 1 0"} << "rebuild 1 35.5 2"
        << "100002" << 2
        << QStringList{"100002 part0 Status=2", "100002 part0 RebuildProgress=35.5",
                       "100002 part1 Status=0"};
    QTest::newRow("progress") << QStringList{"rebuild 0 10"} << "progress 0 60"
                              << "100001" << 2
                              << QStringList{"100001 part1 RebuildProgress=60",
                                             "100001 box BoxRebuildStatus=Rebuilding"};
    QTest::newRow("finish") << QStringList{"rebuild 0 90"} << "finish 0"
                            << "100001" << 2
                            << QStringList{"100001 box BoxRebuildStatus=Normal",
                                           "100001 part1 Status=0",
                                           "100001 part1 RebuildProgress=0"};
    QTest::newRow("failed drive") << QStringList() << "drive-status 1 0 3"
                                  << "100002" << 2 << QStringList{"100002 part0 Status=3"};
    QTest::newRow("drive fails in place") << QStringList() << "fail 0 1"
                                          << "100001" << 2
                                          << QStringList{"100001 drive1 Failed=1",
                                                         "100001 drive1 PluggedIn=1",
                                                         "100001 drive1 ModelName=SimDisk 500GB",
                                                         "100001 drive1 ActualCapacity_GB=500.11",
                                                         "100001 part1 Status=0",
                                                         "100001 drive0 !Failed",
                                                         "100002 drive1 !Failed"};
    QTest::newRow("failed drive repaired")
        << QStringList{"fail 0 1"} << "repair 0 1"
        << "100001" << 2
        << QStringList{"100001 drive1 !Failed", "100001 drive1 PluggedIn=1",
                       "100001 drive1 ModelName=SimDisk 500GB"};
    QTest::newRow("failed drive pulled and replaced")
        << QStringList{"fail 0 1", "unplug 0 1"} << "plug 0 1"
        << "100001" << 2 << QStringList{"100001 drive1 !Failed", "100001 drive1 PluggedIn=1"};
    QTest::newRow("mode") << QStringList() << "mode 0 0 RAID 0 (Striping)"
                          << "100001" << 2
                          << QStringList{"100001 volume mode=0",
                                         "100001 volume FriendlyMode=RAID 0 (Striping)"};
    QTest::newRow("box status text")
        << QStringList() << "box-status 1 Verifying"
        << "100002" << 2 << QStringList{"100002 box BoxRebuildStatus=Verifying"};
    QTest::newRow("add") << QStringList() << "add 100003 Big Disk 2TB"
                         << "100003" << 3
                         << QStringList{"100003 drive0 ModelName=Big Disk 2TB",
                                        "100003 box BoxRebuildStatus=Normal"};
    QTest::newRow("push after eresult and execinfo")
        << QStringList{"eresult 7", "execinfo Command failed."} << "push 1"
        << "100002" << 2 << QStringList{"root eResult=7", "root ExecInfo=Command failed."};
}

void TestStorageSim::changePushesEventThenConfiguration()
{
    QFETCH(QStringList, before);
    QFETCH(QString, command);
    QFETCH(QString, eventSerial);
    QFETCH(int, boxCount);
    QFETCH(QStringList, probes);
    Sim sim;
    QVERIFY(sim.start());
    for (const QString& line : before)
        QCOMPARE(sim.reply(line), QStringLiteral("ok"));
    Client client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(sim.reply(QStringLiteral("status")), QStringLiteral("ok")); // client registered
    QCOMPARE(sim.reply(command), QStringLiteral("ok"));

    const Message event = client.next();
    QVERIFY2(event.error.isEmpty(), qPrintable(event.error));
    QCOMPARE(event.root, QStringLiteral("SVEventLogCmd"));
    QCOMPARE(event.event.value(QStringLiteral("MsgIdx")), QStringLiteral("5"));
    QCOMPARE(decode(event.event.value(QStringLiteral("BoxSN"))), eventSerial);

    const Message config = client.next();
    QVERIFY2(config.error.isEmpty(), qPrintable(config.error));
    QCOMPARE(config.root, QStringLiteral("SVConfigCmd"));
    QCOMPARE(config.boxes.size(), boxCount);
    for (const QString& probe : probes) {
        const QString failure = checkProbe(config, probe);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }
}

void TestStorageSim::removalPushesRemovalEvent_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QStringList>("remaining");
    QTest::newRow("first") << 0 << "100001" << QStringList{"100002", "100003"};
    QTest::newRow("middle") << 1 << "100002" << QStringList{"100001", "100003"};
    QTest::newRow("last") << 2 << "100003" << QStringList{"100001", "100002"};
}

void TestStorageSim::removalPushesRemovalEvent()
{
    QFETCH(int, index);
    QFETCH(QString, serial);
    QFETCH(QStringList, remaining);
    Sim sim;
    QVERIFY(sim.start(
        {QStringLiteral("--scenario"), scenario("removal.json"), QStringLiteral("--no-timeline")}));
    Client client;
    QVERIFY(client.connectTo(sim.port));
    client.send("<SVConfigCmd/>\r\n");
    QCOMPARE(client.next().boxes.size(), 3);

    QCOMPARE(sim.reply(QStringLiteral("remove %1").arg(index)), QStringLiteral("ok"));
    const Message event = client.next();
    QCOMPARE(event.root, QStringLiteral("SVEventLogCmd"));
    QCOMPARE(event.event.value(QStringLiteral("MsgIdx")), QStringLiteral("13"));
    QCOMPARE(decode(event.event.value(QStringLiteral("BoxSN"))), serial);
    const Message config = client.next();
    QCOMPARE(config.root, QStringLiteral("SVConfigCmd"));
    QCOMPARE(config.serials(), remaining);
    QCOMPARE(config.system.value(QStringLiteral("BoxCount")), QStringLiteral("2"));
    // Two remain, so position 2 no longer exists.
    QCOMPARE(sim.reply(QStringLiteral("remove 2")).startsWith("error: "), true);
}

void TestStorageSim::silentModeAnswersNothing()
{
    Sim sim;
    QVERIFY(sim.start());
    QCOMPARE(sim.reply(QStringLiteral("silent on")), QStringLiteral("ok"));
    Client client;
    QVERIFY(client.connectTo(sim.port));
    client.send("<SVConfigCmd/>\r\n");
    QCOMPARE(sim.reply(QStringLiteral("status")), QStringLiteral("ok"));
    QCOMPARE(sim.reply(QStringLiteral("unplug 0 0")), QStringLiteral("ok"));
    QCOMPARE(sim.reply(QStringLiteral("silent off")), QStringLiteral("ok"));

    // Neither the command nor the change got an answer: the first bytes are the marker.
    QCOMPARE(sim.reply(QStringLiteral("event 99 4242")), QStringLiteral("ok"));
    QCOMPARE(client.next().root, QStringLiteral("SVEventLogCmd"));
    client.send("<SVConfigCmd/>\r\n");
    const Message config = client.next();
    QCOMPARE(config.root, QStringLiteral("SVConfigCmd"));
    const QString failure = checkProbe(config, QStringLiteral("100001 drive0 PluggedIn=0"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

void TestStorageSim::scenarioLoading_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("count");
    QTest::newRow("two-healthy") << "two-healthy.json" << 2;
    QTest::newRow("drive-pulled") << "drive-pulled.json" << 2;
    QTest::newRow("removal") << "removal.json" << 3;
    QTest::newRow("eight") << "eight.json" << 8;
    QTest::newRow("nine") << "nine.json" << 9;
}

void TestStorageSim::scenarioLoading()
{
    QFETCH(QString, file);
    QFETCH(int, count);
    Sim sim;
    QVERIFY(sim.start({QStringLiteral("--scenario"), scenario(qPrintable(file)),
                       QStringLiteral("--no-timeline")}));
    Client client;
    QVERIFY(client.connectTo(sim.port));
    client.send("<SVScanDevicesCmd/>\r\n");
    const Message m = client.next();
    QVERIFY2(m.error.isEmpty(), qPrintable(m.error));
    QCOMPARE(m.boxes.size(), count);
    QCOMPARE(m.system.value(QStringLiteral("BoxCount")), QString::number(count));
    // The monitor keys enclosures by the integer value of the serial number.
    QSet<int> keys;
    for (const QString& serial : m.serials())
        keys.insert(serial.toInt());
    QCOMPARE(keys.size(), count);
    QVERIFY(!keys.contains(0));
}

void TestStorageSim::timelineRebuildsToNormal()
{
    Sim sim;
    QVERIFY(sim.start({QStringLiteral("--scenario"), scenario("drive-pulled.json"),
                       QStringLiteral("--wait-client"), QStringLiteral("--speed"),
                       QStringLiteral("50")}));
    Client client;
    QVERIFY(client.connectTo(sim.port));
    client.send("<SVConfigCmd/>\r\n");

    bool sawPulled = false;
    bool sawRebuild = false;
    double lastProgress = -1;
    int events = 0;
    for (;;) {
        const Message m = client.next();
        QVERIFY2(!m.bytes.isEmpty(), "timeline stopped before the rebuild finished");
        QVERIFY2(m.error.isEmpty(), qPrintable(m.error));
        if (m.root == QLatin1String("SVEventLogCmd")) {
            ++events;
            continue;
        }
        const Box* box = m.boxBySerial(QStringLiteral("100001"));
        QVERIFY(box);
        const QString status = decode(box->box.value(QStringLiteral("BoxRebuildStatus")));
        if (box->drive[1].value(QStringLiteral("PluggedIn")) == QLatin1String("0"))
            sawPulled = true;
        if (status == QLatin1String("Rebuilding")) {
            QVERIFY(sawPulled);
            sawRebuild = true;
            QCOMPARE(box->part[1].value(QStringLiteral("Status")), QStringLiteral("1"));
            const double progress =
                box->part[1].value(QStringLiteral("RebuildProgress")).toDouble();
            QVERIFY(progress >= lastProgress);
            lastProgress = progress;
        } else if (sawRebuild) {
            QCOMPARE(status, QStringLiteral("Normal"));
            QCOMPARE(box->part[1].value(QStringLiteral("Status")), QStringLiteral("0"));
            QCOMPARE(box->drive[1].value(QStringLiteral("PluggedIn")), QStringLiteral("1"));
            break;
        } else if (sawPulled) {
            // The drive comes back already rebuilding, never as a healthy pair first.
            QCOMPARE(box->drive[1].value(QStringLiteral("PluggedIn")), QStringLiteral("0"));
        }
    }
    QCOMPARE(lastProgress, 100.0);
    QCOMPARE(events, 13); // one per timeline entry
}

void TestStorageSim::badScenarioRejected_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << QByteArray() << "cannot read scenario";
    QTest::newRow("not JSON") << QByteArray("{ nope") << "not a JSON object";
    QTest::newRow("serial with letters")
        << QByteArray(R"({"enclosures": [{"serial": "12a"}]})") << "decimal digits";
    QTest::newRow("serials equal by value")
        << QByteArray(R"({"enclosures": [{"serial": "0123"}, {"serial": "123"}]})")
        << "already in use";
    QTest::newRow("three drives")
        << QByteArray(R"({"enclosures": [{"serial": "1", "drives": [{}, {}, {}]}]})")
        << "at most 2";
    QTest::newRow("timeline entry without cmd")
        << QByteArray(R"({"timeline": [{"at_ms": 5}]})") << "timeline entry 0";
}

void TestStorageSim::badScenarioRejected()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scenario.json"));
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QProcess process;
    process.start(QStringLiteral(TAMRO_SIM_PATH), {QStringLiteral("--port"), QStringLiteral("0"),
                                                   QStringLiteral("--scenario"), path});
    QVERIFY(process.waitForFinished(Timeout));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(!process.readAllStandardOutput().contains("listening"));
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(err.startsWith(QLatin1String("sim: ")) && err.contains(message), qPrintable(err));
}

void TestStorageSim::controlErrors_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    QTest::newRow("no such enclosure") << "unplug 2 0"
                                       << "no enclosure 2";
    QTest::newRow("negative enclosure") << "plug -1 0"
                                        << "no enclosure -1";
    QTest::newRow("no such drive") << "unplug 0 2"
                                   << "drive must be 0 or 1";
    QTest::newRow("already plugged") << "plug 0 0"
                                     << "already plugged in";
    QTest::newRow("repair a working drive") << "repair 0 1"
                                            << "has not failed";
    QTest::newRow("progress over 100") << "rebuild 0 101"
                                       << "from 0 to 100";
    QTest::newRow("progress without rebuild") << "progress 0 50"
                                              << "not rebuilding";
    QTest::newRow("bad rebuild status") << "rebuild 0 5 3"
                                        << "must be 1 or 2";
    QTest::newRow("serial in use") << "add 100001"
                                   << "already in use";
    QTest::newRow("serial in use by value") << "add 0100002"
                                            << "already in use";
    QTest::newRow("serial not digits") << "add 12x"
                                       << "decimal digits";
    QTest::newRow("unknown command") << "frobnicate 1"
                                     << "unknown command";
    QTest::newRow("missing arguments") << "unplug 0"
                                       << "usage: unplug";
    QTest::newRow("bad switch") << "coalesce maybe"
                                << "usage: coalesce";
    QTest::newRow("odd hex") << "raw-hex 3"
                             << "usage: raw-hex";
    QTest::newRow("bad escape") << "raw-text a\\q"
                                << "usage: raw-text";
    QTest::newRow("garbage of nothing") << "garbage 0"
                                        << "usage: garbage";
    QTest::newRow("big below a document") << "big 10"
                                          << "usage: big";
    QTest::newRow("negative split") << "split -1"
                                    << "usage: split";
}

void TestStorageSim::controlErrors()
{
    QFETCH(QString, command);
    QFETCH(QString, message);
    Sim sim;
    QVERIFY(sim.start());
    Client client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(sim.reply(QStringLiteral("status")), QStringLiteral("ok"));
    const QString answer = sim.reply(command);
    QVERIFY2(answer.startsWith(QLatin1String("error: ")) && answer.contains(message),
             qPrintable(answer));
    // A refused command sends nothing to the clients.
    QCOMPARE(sim.reply(QStringLiteral("event 99 4242")), QStringLiteral("ok"));
    QCOMPARE(client.next().root, QStringLiteral("SVEventLogCmd"));
}

void TestStorageSim::rawOutput_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<QByteArray>("expected"); // empty: only the size is known
    QTest::newRow("hex") << "raw-hex 3c 41 00 0d0a" << qsizetype(5) << QByteArray("<A\0\r\n", 5);
    QTest::newRow("escaped text") << "raw-text a b\\r\\n\\x7a\\\\\\t" << qsizetype(8)
                                  << QByteArray("a b\r\nz\\\t");
    QTest::newRow("raw is escaped text") << "raw <X/>\\r\\n"
                                         << qsizetype(6) << QByteArray("<X/>\r\n");
    QTest::newRow("garbage") << "garbage 300" << qsizetype(300) << QByteArray();
    QTest::newRow("big") << "big 100000" << qsizetype(100000) << QByteArray();
}

void TestStorageSim::rawOutput()
{
    QFETCH(QString, command);
    QFETCH(qsizetype, size);
    QFETCH(QByteArray, expected);
    Sim sim;
    QVERIFY(sim.start());
    Client client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(sim.reply(QStringLiteral("status")), QStringLiteral("ok"));
    QCOMPARE(sim.reply(command), QStringLiteral("ok"));
    const QByteArray got = client.exactly(size);
    QCOMPARE(got.size(), size);
    if (!expected.isEmpty())
        QCOMPARE(got, expected);
    if (command.startsWith(QLatin1String("big"))) {
        const Message m = parse(got);
        QVERIFY2(m.error.isEmpty(), qPrintable(m.error));
        QCOMPARE(m.root, QStringLiteral("SVConfigCmd"));
        QCOMPARE(m.boxes.size(), 2);
        QVERIFY(got.endsWith("</SVConfigCmd>\r\n"));
    }
    // Nothing more than asked for.
    QCOMPARE(sim.reply(QStringLiteral("event 99 4242")), QStringLiteral("ok"));
    QCOMPARE(parse(client.nextRaw()).root, QStringLiteral("SVEventLogCmd"));
}

void TestStorageSim::splitWritesKeepContent()
{
    Sim sim;
    QVERIFY(sim.start({QStringLiteral("--chunk-delay-ms"), QStringLiteral("5")}));
    Client client;
    QVERIFY(client.connectTo(sim.port));
    client.send("<SVConfigCmd/>\r\n");
    const QByteArray whole = client.nextRaw();
    QCOMPARE(parse(whole).boxes.size(), 2);
    const int readsBefore = client.reads();

    QCOMPARE(sim.reply(QStringLiteral("split 100")), QStringLiteral("ok"));
    client.send("<SVConfigCmd/>\r\n");
    const QByteArray pieces = client.nextRaw();
    QCOMPARE(pieces, whole);
    // Written in more than 1800 / 100 chunks, 5 ms apart: they cannot all come in one read.
    QVERIFY2(client.reads() - readsBefore > 1, qPrintable(QString::number(client.reads())));

    QCOMPARE(sim.reply(QStringLiteral("unplug 0 0")), QStringLiteral("ok"));
    QCOMPARE(client.next().root, QStringLiteral("SVEventLogCmd"));
    const Message config = client.next();
    QVERIFY2(config.error.isEmpty(), qPrintable(config.error));
    QCOMPARE(config.boxes.size(), 2);
}

void TestStorageSim::eventAndConfigurationApart()
{
    // The monitor parses each read as one document, so by default the event message and the
    // configuration after it go out in separate writes, --gap-ms apart.
    Sim sim;
    QVERIFY(sim.start({QStringLiteral("--gap-ms"), QStringLiteral("400")}));
    Client client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(sim.reply(QStringLiteral("status")), QStringLiteral("ok"));
    QCOMPARE(sim.reply(QStringLiteral("unplug 0 0")), QStringLiteral("ok"));
    QCOMPARE(client.next().root, QStringLiteral("SVEventLogCmd"));
    QVERIFY2(client.pending().isEmpty(), client.pending().left(80).constData());
    QCOMPARE(client.next().root, QStringLiteral("SVConfigCmd"));
}

void TestStorageSim::pushesReachEveryClientAndDropClosesThem()
{
    Sim sim;
    QVERIFY(sim.start());
    Client first;
    Client second;
    QVERIFY(first.connectTo(sim.port));
    QVERIFY(second.connectTo(sim.port));
    QCOMPARE(sim.reply(QStringLiteral("status")), QStringLiteral("ok"));
    QCOMPARE(sim.reply(QStringLiteral("unplug 1 1")), QStringLiteral("ok"));
    for (Client* c : {&first, &second}) {
        QCOMPARE(c->next().root, QStringLiteral("SVEventLogCmd"));
        QCOMPARE(c->next().root, QStringLiteral("SVConfigCmd"));
    }
    QCOMPARE(sim.reply(QStringLiteral("drop")), QStringLiteral("ok"));
    for (Client* c : {&first, &second}) {
        if (c->socket().state() != QAbstractSocket::UnconnectedState)
            QVERIFY(c->socket().waitForDisconnected(Timeout));
    }
    // The service goes on accepting connections after a drop.
    Client third;
    QVERIFY(third.connectTo(sim.port));
    third.send("<SVConfigCmd/>\r\n");
    QCOMPARE(third.next().boxes.size(), 2);
}

void TestStorageSim::standardInputControlAndEnd()
{
    Sim sim;
    QVERIFY(sim.start());
    Client client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(sim.reply(QStringLiteral("status")), QStringLiteral("ok"));
    sim.process().write("unplug 1 1\n");
    QVERIFY(sim.process().waitForBytesWritten(Timeout));
    const Message event = client.next();
    QCOMPARE(event.root, QStringLiteral("SVEventLogCmd"));
    QCOMPARE(decode(event.event.value(QStringLiteral("BoxSN"))), QStringLiteral("100002"));
    QCOMPARE(client.next().root, QStringLiteral("SVConfigCmd"));

    // The end of standard input leaves the service running.
    sim.process().closeWriteChannel();
    QTRY_VERIFY_WITH_TIMEOUT(sim.stderrText().contains("standard input closed"), Timeout);
    QCOMPARE(sim.process().state(), QProcess::Running);
    client.send("<SVConfigCmd/>\r\n");
    const Message config = client.next();
    const QString failure = checkProbe(config, QStringLiteral("100002 drive1 PluggedIn=0"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(sim.reply(QStringLiteral("quit")), QStringLiteral("ok"));
    QVERIFY(sim.process().waitForFinished(Timeout));
    QCOMPARE(sim.process().exitCode(), 0);
}

void TestStorageSim::helpDocumentsEveryCommand_data()
{
    QTest::addColumn<QString>("word");
    for (const char* word : {"plug <encl>",    "unplug <encl>",
                             "rebuild <encl>", "progress <encl>",
                             "finish <encl>",  "drive-status",
                             "box-status",     "mode <encl>",
                             "eresult <n>",    "execinfo <text>",
                             "add <serial>",   "remove <encl>",
                             "event <msgidx>", "push [encl]",
                             "raw-text",       "raw-hex",
                             "garbage <n>",    "big <n>",
                             "split <n>",      "coalesce on|off",
                             "silent on|off",  "drop",
                             "status",         "quit",
                             "--port",         "--control-port",
                             "--scenario",     "--speed",
                             "at_ms",          "--wait-client",
                             "--no-timeline"})
        QTest::newRow(word) << QString::fromLatin1(word);
}

void TestStorageSim::helpDocumentsEveryCommand()
{
    QFETCH(QString, word);
    static QString help;
    if (help.isEmpty()) {
        QProcess process;
        process.start(QStringLiteral(TAMRO_SIM_PATH), {QStringLiteral("--help")});
        QVERIFY(process.waitForFinished(Timeout));
        QCOMPARE(process.exitCode(), 0);
        help = QString::fromLocal8Bit(process.readAllStandardOutput());
    }
    QVERIFY2(help.contains(word), qPrintable(word));
}

TAMRO_TEST_GUILESS_MAIN(TestStorageSim)
#include "test_storagesim.moc"
