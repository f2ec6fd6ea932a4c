// SPDX-License-Identifier: GPL-3.0-or-later
// The evaluation pass, driven by real documents through the real client: on its own for its
// states and what it says (slots, icon, retries, removal, the enclosure limit, the client
// following a rebuild), in a whole controller for the log rows, mails, panels, notifications,
// the shutdown after rebuilds and hand-offs held back while a mail is sent.
#include "harness.h"
#include "presentation/statuspresentation.h"
#include "testmain.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTimer>

using namespace tamro::test;

namespace {

// One pass of a sequence and everything it must leave behind.
struct PassStep
{
    QString name;
    BoxSpec box;
    int errorType = 0;
    int recoveryType = 0;
    int rebuildPhase = 0;
    QStringList logRows; // the last two columns: mode, plug information or message
    QStringList mails;   // "problem <name>" or "rebuild <name>"
    QStringList panels;
    QList<NoticeKind> notices;
    int icon = 1;
    QString summary;
};

// "mail <body>" lines of the stand-in tool as "problem 1234" / "rebuild 1234"; other lines
// (sudo) as they are.
QStringList describeEvents(const QStringList& events)
{
    static const QRegularExpression device(QStringLiteral("DeviceName:([^|]*)"));
    QStringList out;
    for (const QString& line : events) {
        if (!line.startsWith(QStringLiteral("mail "))) {
            out << line;
            continue;
        }
        const QString name = device.match(line).captured(1);
        if (line.contains(QStringLiteral("MSG_EndRebuildMessage")))
            out << QStringLiteral("rebuild ") + name;
        else if (line.contains(QStringLiteral("MSG_DiskCheck")))
            out << QStringLiteral("problem ") + name;
        else
            out << line;
    }
    return out;
}

QString panelText(const QString& name, const QString& plugText)
{
    return QStringLiteral("DeviceName:") + name + u'\n' + plugText +
           QStringLiteral("MSG_DiskCheck");
}

void allOptionsButShutdown(AppController& c)
{
    c.flags()._isMakeLog = true;
    c.flags()._isSendMail = true;
    c.flags()._isDispPanel = true;
    c.flags()._isSendRebuildMail = true;
}

const QString kRetrieved = QStringLiteral("Retrieved configuration.");
const QString kDisk2Missing = QStringLiteral("Disk2 is not connected.");
const QString kMailOk = QStringLiteral("MSG_MailSuccess");
const QString kHealthy = QStringLiteral("1234: UI_StateHealthy");
const QString kProblem = QStringLiteral("1234: UI_StateProblem");

// The pass on its own: a real client with the pass as its listener, fed documents without a
// socket; what the pass says (signals, timer requests) is kept as lines of text.
struct PassRig
{
    PassRig()
    {
        client.setHandOffIntervals(1, 2);
        EvaluationPass::Inputs in;
        in.client = &client;
        in.flags = &flags;
        in.modal = &modal;
        in.system = &system;
        in.deviceName = [this](int i) { return QString::number(client.serialNumber(i)); };
        in.plugText = [](int) { return QString(); };
        in.rescanSoon = [this] { said << QStringLiteral("rescan"); };
        in.reconnectSoon = [this] { said << QStringLiteral("reconnect"); };
        in.isRefetchActive = [this] { return refetching; };
        in.startRefetch = [this] { refetching = true; };
        pass.setInputs(in);
        const auto say = [this](const QString& what, const QString& arg) { said << what + arg; };
        QObject::connect(&pass, &EvaluationPass::logRow, [say](const QString& text, int i) {
            say(QStringLiteral("log "), QString::number(i) + text);
        });
        QObject::connect(&pass, &EvaluationPass::problemFound,
                         [say](const AlertEvent& e) { say(QStringLiteral("problem "), e.name); });
        QObject::connect(&pass, &EvaluationPass::rebuildFinished,
                         [say](const AlertEvent& e) { say(QStringLiteral("rebuilt "), e.name); });
        QObject::connect(&pass, &EvaluationPass::allRebuildsFinished,
                         [say] { say(QStringLiteral("all rebuilt"), {}); });
        QObject::connect(&pass, &EvaluationPass::enclosureRemoved,
                         [say](int i) { say(QStringLiteral("removed "), QString::number(i)); });
        QObject::connect(&pass, &EvaluationPass::deviceNamesChanged, [say](const QStringList& n) {
            say(QStringLiteral("names "), n.join(u','));
        });
        QObject::connect(&pass, &EvaluationPass::showEnclosure,
                         [say](int i) { say(QStringLiteral("show "), QString::number(i)); });
        QObject::connect(&pass, &EvaluationPass::showSelected,
                         [say] { say(QStringLiteral("show selected"), {}); });
        QObject::connect(&pass, &EvaluationPass::passFinished, [this] { ++passes; });
    }

    // An empty document stands for a lost connection.
    bool feed(const QByteArray& bytes)
    {
        if (bytes.isEmpty()) {
            pass.errorOccurredStreamEvent();
            return true;
        }
        const int target = passes + 1;
        client.handleReadBytes(bytes);
        return QTest::qWaitFor([&] { return passes >= target && client.pendingHandOffs() == 0; });
    }

    // "i<icon> r<retries> d<current enclosure> c<pending command>:", then error type, recovery
    // type and rebuild phase of each slot of the table and of the one past it.
    QString state() const
    {
        QString text = QStringLiteral("i%1 r%2 d%3 c%4:")
                           .arg(int(pass.statusIcon()))
                           .arg(pass.rescanCount())
                           .arg(client.getDeviceIndex())
                           .arg(client.getCommand());
        for (int i = 0; i <= client.getDeviceCount(); ++i)
            text += QStringLiteral(" %1/%2/%3")
                        .arg(int(pass.errorType(i)))
                        .arg(int(pass.recoveryType(i)))
                        .arg(int(pass.rebuildPhase(i)));
        return text;
    }

    OptionFlags flags;
    RecordingModal modal;
    RecordingSystem system;
    EvaluationPass pass;
    ParseRaidInfo client{&pass};
    QStringList said;
    bool refetching = false;
    int passes = 0;
};

} // namespace

Q_DECLARE_METATYPE(QList<PassStep>)

class TestEvaluation : public QObject
{
    Q_OBJECT
private slots:
    void passSequences_data();
    void passSequences();
    void passOnItsOwn_data();
    void passOnItsOwn();
    void removalOfMiddleEnclosure();
    void removalOfHealthyEnclosure_data();
    void removalOfHealthyEnclosure();
    void rebuildsFinishing_data();
    void rebuildsFinishing();
    void parseFailureRetries();
    void handOffWaitsForMail();
    void tableGrowsDuringMail();
    void passLogLine();
};

void TestEvaluation::passSequences_data()
{
    QTest::addColumn<QList<PassStep>>("steps");

    const BoxSpec healthy = healthyBox(QStringLiteral("1234"));
    BoxSpec degraded = healthy;
    degraded.unplug(1);
    BoxSpec rebuilding = healthy;
    rebuilding.rebuilding(QStringLiteral("30"));
    BoxSpec degradedRebuilding = degraded;
    degradedRebuilding.rebuild = QStringLiteral("Rebuilding");
    const QString panel = panelText(QStringLiteral("1234"), QStringLiteral("MSG_DiskInfo2"));
    const QString rebuildingSummary = QStringLiteral("1234: UI_StateRebuilding 30%");
    // Log rows by their last two columns: the mode text, "-" for a message row.
    const QString retrieved = QStringLiteral("RAID 1,") + kRetrieved;
    const QString disk2Missing = QStringLiteral("RAID 1,") + kDisk2Missing;
    const QString mailOk = QStringLiteral("-,") + kMailOk;

    QTest::newRow("a drive lost, put back, rebuilt") << QList<PassStep>{
        PassStep("A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy),
        PassStep("B", degraded, 2, 1, 0, {disk2Missing, mailOk}, {"problem 1234"}, {panel},
                 {NoticeKind::Problem}, 2, kProblem),
        PassStep("C", degraded, 2, 1, 0, {}, {}, {}, {}, 2, kProblem),
        PassStep("D", rebuilding, 0, 2, 1, {}, {}, {}, {}, 1, rebuildingSummary),
        PassStep("E", rebuilding, 0, 2, 1, {}, {}, {}, {}, 1, rebuildingSummary),
        PassStep("F", healthy, 0, 2, 0, {retrieved, mailOk}, {"rebuild 1234"}, {},
                 {NoticeKind::RebuildFinished}, 1, kHealthy),
        PassStep("G", healthy, 0, 2, 0, {}, {}, {}, {}, 1, kHealthy),
    };

    // Reported all the same, but the rebuild status keeps the evaluation from logging; the
    // report cancels the rebuild it had just begun to track.
    QTest::newRow("drive lost while the box reports a rebuild") << QList<PassStep>{
        PassStep("A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy),
        PassStep("B", degradedRebuilding, 2, 1, 0, {mailOk}, {"problem 1234"}, {panel},
                 {NoticeKind::Problem}, 2, kProblem),
    };

    // A drive that fails while attached is a problem like a pulled one, said as such; its
    // repair recovers the enclosure as the drive's return would.
    BoxSpec failed = healthy;
    failed.fail(1);
    const QString disk2Failed = QStringLiteral("RAID 1,Disk2 has failed.");
    QTest::newRow("a drive fails in place, then is repaired") << QList<PassStep>{
        PassStep("A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy),
        PassStep("B", failed, 2, 1, 0, {disk2Failed, mailOk}, {"problem 1234"},
                 {panelText(QStringLiteral("1234"), QStringLiteral("MSG_DiskInfo6"))},
                 {NoticeKind::Problem}, 2, kProblem),
        PassStep("C", failed, 2, 1, 0, {}, {}, {}, {}, 2, kProblem),
        PassStep("D", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy),
    };
    BoxSpec failedAndPulled = failed;
    failedAndPulled.unplug(0);
    QTest::newRow("a drive fails while the other is out") << QList<PassStep>{
        PassStep("A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy),
        PassStep("B", failedAndPulled, 3, 1, 0,
                 {QStringLiteral("RAID 1,Disk1/2 is not connected."), mailOk}, {"problem 1234"},
                 {panelText(QStringLiteral("1234"), QStringLiteral("MSG_DiskInfo3"))},
                 {NoticeKind::Problem}, 2, kProblem),
    };
    BoxSpec bothFailed = failed;
    bothFailed.fail(0);
    QTest::newRow("both drives fail") << QList<PassStep>{
        PassStep("A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy),
        PassStep("B", bothFailed, 3, 1, 0, {QStringLiteral("RAID 1,Disk1/2 have failed."), mailOk},
                 {"problem 1234"},
                 {panelText(QStringLiteral("1234"), QStringLiteral("MSG_DiskInfo7"))},
                 {NoticeKind::Problem}, 2, kProblem),
    };
    // A drive waiting for its rebuild while the box reports normal is no problem.
    BoxSpec waiting = healthy;
    waiting.drive1.status = 3;
    QTest::newRow("a drive waits for its rebuild") << QList<PassStep>{
        PassStep("A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy),
        PassStep("B", waiting, 0, 2, 0, {}, {}, {}, {}, 1, kHealthy),
        PassStep("C", healthy, 0, 2, 0, {}, {}, {}, {}, 1, kHealthy),
    };

    // A problem at the first evaluation is logged, never mailed or shown; it stays quiet.
    QTest::newRow("degraded from the first pass") << QList<PassStep>{
        PassStep("A", degraded, 2, 1, 0, {disk2Missing}, {}, {}, {}, 2, kProblem),
        PassStep("B", degraded, 2, 1, 0, {}, {}, {}, {}, 2, kProblem),
    };
}

void TestEvaluation::passSequences()
{
    QFETCH(QList<PassStep>, steps);
    Harness h;
    QVERIFY(h.start());
    allOptionsButShutdown(h.c());

    for (const PassStep& step : steps) {
        const QByteArray name = step.name.toUtf8();
        h.modal.panels.clear();
        h.status.notices.clear();
        const int iconsBefore = int(h.status.icons.size());
        QVERIFY2(h.feed(answer({step.box})), name);
        const EvaluationPass& pass = h.c().pass();
        QCOMPARE((QList<int>{int(pass.errorType(0)), int(pass.recoveryType(0)),
                             int(pass.rebuildPhase(0)), int(pass.statusIcon())}),
                 (QList<int>{step.errorType, step.recoveryType, step.rebuildPhase, step.icon}));
        QCOMPARE(h.newLogRows(2), step.logRows);
        QCOMPARE(describeEvents(h.newEvents()), step.mails);
        QCOMPARE(h.modal.panels, step.panels);
        QList<NoticeKind> kinds;
        for (const Notice& notice : std::as_const(h.status.notices))
            kinds << notice.kind;
        QVERIFY2(kinds == step.notices, name);
        // The whole pass shows one icon: never "all well" part-way through a pass that ends
        // in a problem.
        QStringList shown;
        for (const int icon : h.status.icons.mid(iconsBefore)) {
            if (shown.isEmpty() || shown.last() != QString::number(icon))
                shown << QString::number(icon);
        }
        QCOMPARE(shown, QStringList{QString::number(step.icon)});
        QCOMPARE(h.status.summary, step.summary);
    }
    QVERIFY(h.modal.alerts.isEmpty());
}

void TestEvaluation::passOnItsOwn_data()
{
    QTest::addColumn<QList<QByteArray>>("documents"); // an empty one: the connection is lost
    QTest::addColumn<QString>("state");               // after the last document
    QTest::addColumn<QStringList>("said");            // by the last document

    const auto box = [](int mode, int plugged0, int plugged1) {
        BoxSpec b = healthyBox(QStringLiteral("77")).withMode(mode);
        b.drive0.pluggedIn = plugged0;
        b.drive1.pluggedIn = plugged1;
        return b;
    };
    const auto row = [](const char* name, const QList<QByteArray>& documents, const QString& state,
                        const QStringList& said) {
        QTest::newRow(name) << documents << state << said;
    };
    const QStringList said77{"log 0", "names 77", "show selected"};
    row("all well", {answer({box(1, 1, 1)})}, "i1 r0 d0 c3: 0/2/0 0/0/0", said77);
    row("failed command", {answer({box(1, 1, 1)}, 5)}, "i2 r0 d0 c3: 1/1/0 0/0/0", said77);
    row("negative result", {answer({box(1, 1, 1)}, -1)}, "i2 r0 d0 c3: 1/1/0 0/0/0", said77);
    row("disk1 missing", {answer({box(1, 0, 1)})}, "i2 r0 d0 c3: 2/1/0 0/0/0", said77);
    row("disk2 missing, failed command", {answer({box(1, 1, 0)}, 3)}, "i2 r0 d0 c3: 2/1/0 0/0/0",
        said77);
    row("mode 0, disk2 missing", {answer({box(0, 1, 0)})}, "i1 r0 d0 c3: 0/2/0 0/0/0", said77);
    row("mode 0, disk1 missing, failed command", {answer({box(0, 0, 1)}, 1)},
        "i2 r0 d0 c3: 1/1/0 0/0/0", said77);
    row("mode 0, both missing", {answer({box(0, 0, 0)})}, "i2 r0 d0 c3: 3/1/0 0/0/0", said77);
    row("both missing, failed command", {answer({box(1, 0, 0)}, 7)}, "i2 r0 d0 c3: 3/1/0 0/0/0",
        said77);
    row("plugged in as 2 and -1", {answer({box(1, 2, -1)})}, "i1 r0 d0 c3: 0/2/0 0/0/0", said77);
    // The pass judges the answer's own result, not that of the message read after it.
    row("failed command, then an event message",
        {answer({box(1, 1, 1)}, 1) + eventMessage(5, QStringLiteral("77"))},
        "i2 r0 d0 c3: 1/1/0 0/0/0", said77);

    // Any rebuild status but "Normal", or none, is a rebuild under way, and is not logged.
    for (const char* status : {"", "normal", "Rebuilding"}) {
        BoxSpec b = box(1, 1, 1);
        b.rebuild = *status ? std::optional<QString>(QString::fromUtf8(status)) : std::nullopt;
        row(*status ? status : "no rebuild status", {answer({b})}, "i1 r0 d0 c3: 0/2/1 0/0/0",
            {"names 77", "show selected"});
    }

    // No enclosure: logged only with an ExecInfo text, never reported or listed; the retries
    // spent stay spent. A pass that finds an enclosure gives them back, yet without a
    // connection the icon does not turn green.
    row("no enclosure", {{}, {}, {}, answer({})}, "i2 r3 d0 c3: 3/0/0", {"log 0", "show 0"});
    row("no enclosure, no ExecInfo", {{}, answer({}, 0, QString())}, "i2 r1 d0 c3: 3/0/0",
        {"show 0"});
    row("enclosure after lost connections", {{}, {}, {}, answer({healthyBox("1234")})},
        "i2 r0 d0 c3: 0/2/0 0/0/0", {"log 0", "names 1234", "show selected"});

    // A broken document with a command pending asks for nothing more.
    row("broken document, command pending", {answer({healthyBox("9")}), brokenDocument()},
        "i2 r0 d0 c3: 0/2/0 0/0/0", {});

    // Eight enclosures are watched; a ninth ends the program, nothing evaluated or listed.
    QList<BoxSpec> boxes;
    QStringList said{"names 100,101,102,103,104,105,106,107", "show selected"};
    for (int i = 0; i < 8; ++i) {
        boxes << healthyBox(QString::number(100 + i));
        said.insert(i, QStringLiteral("log %1").arg(i));
    }
    row("eight enclosures", {answer(boxes)},
        "i1 r0 d7 c3:" + QStringLiteral(" 0/2/0").repeated(8) + " 0/0/0", said);
    boxes << healthyBox(QStringLiteral("108"));
    row("nine enclosures", {answer(boxes)}, "i0 r0 d8 c3:" + QStringLiteral(" 0/0/0").repeated(10),
        {"alert MSG_ErrorMessage3", "terminate"});

    // The client follows a rebuild: the last new enclosure is current and rebuilding itself,
    // so it stays current; once it has finished, the highest-indexed rebuilding one is.
    BoxSpec a = healthyBox(QStringLiteral("1"));
    BoxSpec b = healthyBox(QStringLiteral("2"));
    BoxSpec c = healthyBox(QStringLiteral("3"));
    const QByteArray third = answer({a, b, BoxSpec(c).rebuilding()});
    row("the current enclosure rebuilds", {third}, "i1 r0 d2 c3: 0/2/0 0/2/0 0/2/1 0/0/0",
        {"log 0", "log 1", "names 1,2,3", "show selected"});
    row("the current enclosure's rebuild finishes",
        {third, answer({BoxSpec(a).rebuilding(), BoxSpec(b).rebuilding(), c})},
        "i1 r0 d1 c3: 0/2/1 0/2/1 0/2/0 0/0/0", {"log 2", "rebuilt 3", "show selected"});

    // A removal evaluates only the removed enclosure; those behind it move down, the old last
    // slot is cleared.
    row("removal of the middle enclosure", {third, removalEvent(QStringLiteral("2"))},
        "i2 r0 d0 c3: 0/2/0 0/2/1 0/0/0",
        {"log 1", "problem 2", "removed 1", "names 1,3", "show selected"});
}

void TestEvaluation::passOnItsOwn()
{
    QFETCH(QList<QByteArray>, documents);
    QFETCH(QString, state);
    QFETCH(QStringList, said);

    PassRig r;
    r.flags._isMakeLog = true;
    r.flags._isAddLoginItem = true;
    for (const QByteArray& document : documents) {
        r.said.clear();
        QVERIFY(r.feed(document));
    }
    for (const QString& alert : std::as_const(r.modal.alerts))
        r.said << QStringLiteral("alert ") + alert;
    if (r.system.terminations > 0)
        r.said << QStringLiteral("terminate");
    QCOMPARE(r.said, said);
    QCOMPARE(r.state(), state);
}

void TestEvaluation::removalOfMiddleEnclosure()
{
    Harness h;
    QVERIFY(h.start());
    allOptionsButShutdown(h.c());
    BoxSpec third = healthyBox(QStringLiteral("33"));
    third.rebuilding();
    QVERIFY(h.feed(
        answer({healthyBox(QStringLiteral("11")), healthyBox(QStringLiteral("22")), third})));
    QCOMPARE(h.c().targetNames(), (QStringList{"11", "22", "33"}));
    QCOMPARE(h.status.reloadedRows, QList<int>{0});
    h.c().statusPresentation().deviceListSelectionChanged(2);
    QCOMPARE(h.c().selIdx(), 2);
    h.newLogRows();
    h.newEvents();

    QVERIFY(h.feed(removalEvent(QStringLiteral("22"))));

    // Only the removed enclosure was evaluated: no volume description, reported once.
    QCOMPARE(h.newLogRows(), (QStringList{QStringLiteral("Failed configuration."), kMailOk}));
    QCOMPARE(describeEvents(h.newEvents()), QStringList{"problem 22"});
    QCOMPARE(h.modal.panels, QStringList{panelText("22", "MSG_DiskInfo4")});
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Problem);
    // Dropped: the old third enclosure moved down, and the selection with it.
    QCOMPARE(h.c().selIdx(), 1);
    QCOMPARE(h.c().targetNames(), (QStringList{"11", "33"}));
    QCOMPARE(h.status.reloadedRows, (QList<int>{0, 1}));
}

void TestEvaluation::removalOfHealthyEnclosure_data()
{
    QTest::addColumn<QByteArray>("removal");
    QTest::addColumn<int>("command");

    QTest::newRow("removal event") << removalEvent(QStringLiteral("1234")) << 0;
    // The event was merged before the reader failed: the enclosure is still dropped, and a
    // device scan is asked for.
    QByteArray broken = removalEvent(QStringLiteral("1234")).trimmed();
    broken = "<SVMessages>" + broken + "<SVSystem a=\"1\" a=\"2\"/></SVMessages>\r\n";
    QTest::newRow("removal event in a document that fails to parse")
        << broken << int(ParseRaidInfo::kScanDevices);
}

void TestEvaluation::removalOfHealthyEnclosure()
{
    QFETCH(QByteArray, removal);
    QFETCH(int, command);

    Harness h;
    QVERIFY(h.start());
    allOptionsButShutdown(h.c());
    QVERIFY(h.feed(answer({healthyBox(QStringLiteral("1234"))})));
    h.newLogRows();
    h.c().client().setCommand(ParseRaidInfo::kIdle);

    QVERIFY(h.feed(removal));
    QCOMPARE(h.c().client().getCommand(), command);
    QCOMPARE(h.newLogRows(), (QStringList{QStringLiteral("Failed configuration."), kMailOk}));
    QCOMPARE(describeEvents(h.newEvents()), QStringList{"problem 1234"});
    QCOMPARE(h.modal.panels, QStringList{panelText("1234", "MSG_DiskInfo4")});
    QCOMPARE(h.status.notices.size(), 1);
    QCOMPARE(h.status.notices.first().kind, NoticeKind::Problem);
    QCOMPARE(h.c().client().getDeviceCount(), 0);
    QCOMPARE(h.c().selIdx(), 0);
    QVERIFY(h.c().targetNames().isEmpty());
    QCOMPARE(h.c().pass().errorType(0), ErrorType::NoProblem);
    QCOMPARE(h.c().pass().recoveryType(0), RecoveryType::Unknown);
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Problem);
    // The next answer finds no enclosure, and the log says so.
    QVERIFY(h.feed(answer({})));
    QCOMPARE(h.newLogRows(), QStringList{"Device re-scan did not find any devices."});
}

void TestEvaluation::rebuildsFinishing_data()
{
    QTest::addColumn<bool>("secondFinishes");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("both finish: shutdown once, after the second mail")
        << true << QStringList{"rebuild 11", "rebuild 22", "sudo -S shutdown -h now"};
    QTest::newRow("another still rebuilding: the mail only") << false << QStringList{"rebuild 11"};
}

void TestEvaluation::rebuildsFinishing()
{
    QFETCH(bool, secondFinishes);
    QFETCH(QStringList, events);

    Harness h;
    QVERIFY(h.start());
    h.c().flags()._isSendRebuildMail = true;
    QVERIFY(h.armShutdown());
    BoxSpec first = healthyBox(QStringLiteral("11"));
    BoxSpec second = healthyBox(QStringLiteral("22"));
    first.rebuilding();
    second.rebuilding();
    QVERIFY(h.feed(answer({first, second})));
    QCOMPARE(h.c().pass().rebuildPhase(0), RebuildPhase::Running);
    QCOMPARE(h.c().pass().rebuildPhase(1), RebuildPhase::Running);
    QVERIFY(h.newEvents().isEmpty());

    QVERIFY(h.feed(answer({healthyBox("11"), secondFinishes ? healthyBox("22") : second})));
    QCOMPARE(describeEvents(h.newEvents()), events);
    QCOMPARE(h.c().pass().rebuildPhase(0), RebuildPhase::Idle);
    QCOMPARE(h.c().pass().rebuildPhase(1), RebuildPhase(secondFinishes ? 0 : 1));
    QCOMPARE(h.status.notices.size(), secondFinishes ? 2 : 1);
}

void TestEvaluation::parseFailureRetries()
{
    PassRig r;
    QVERIFY(r.feed(answer({healthyBox(QStringLiteral("9"))})));
    QCOMPARE(r.state(), QStringLiteral("i1 r0 d0 c3: 0/2/0 0/0/0"));

    // Broken documents in a row: a device scan after each, until the retries are spent. The
    // slots are not touched by a failed pass.
    for (int round = 1; round <= 11; ++round) {
        r.client.setCommand(ParseRaidInfo::kIdle);
        r.said.clear();
        QVERIFY(r.feed(brokenDocument()));
        const bool retried = round <= 10;
        QCOMPARE(r.said, retried ? QStringList{"rescan"} : QStringList{});
        QCOMPARE(r.state(), QStringLiteral("i2 r%1 d0 c%2: 0/2/0 0/0/0")
                                .arg(retried ? round : 10)
                                .arg(retried ? 2 : 0));
    }
    QVERIFY(r.modal.alerts.isEmpty());

    // A pass that finds an enclosure gives the budget back.
    QVERIFY(r.feed(answer({healthyBox(QStringLiteral("9"))})));
    QCOMPARE(r.state(), QStringLiteral("i1 r0 d0 c0: 0/2/0 0/0/0"));
}

void TestEvaluation::handOffWaitsForMail()
{
    Harness h;
    QVERIFY(h.start());
    h.c().flags()._isSendMail = true;
    QVERIFY(h.feed(answer({healthyBox(QStringLiteral("1234"))})));
    QCOMPARE(h.passes, 1);

    // The mail about the problem is held until the test lets it go.
    const QString hold = h.dir.filePath(QStringLiteral("hold"));
    const QString started = h.dir.filePath(QStringLiteral("mail-started"));
    QVERIFY(QFile(hold).open(QIODevice::WriteOnly));
    BoxSpec degraded = healthyBox(QStringLiteral("1234"));
    degraded.unplug(1);

    int passesDuringWait = -1;
    bool runningDuringWait = false;
    int ticks = 0;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!QFile::exists(started))
            return;
        if (ticks == 0) {
            // The pass is waiting on the mail tool: another answer arrives.
            h.c().client().handleReadBytes(answer({degraded}));
        }
        if (++ticks == 20) {
            passesDuringWait = h.passes;
            runningDuringWait = h.c().pass().isPassRunning();
            QFile::remove(hold);
            poll.stop();
        }
    });
    poll.start();
    h.c().client().handleReadBytes(answer({degraded}));
    QVERIFY(h.settle(3));

    QVERIFY(runningDuringWait);
    QCOMPARE(passesDuringWait, 1);
    QCOMPARE(h.passes, 3);
    QTest::qWait(20);
    QCOMPARE(h.passes, 3); // delivered once
    QCOMPARE(describeEvents(h.newEvents()), QStringList{"problem 1234"});
}

// The table can grow while a pass waits on the mail tool. The pass goes on over what fits its
// slots; the next pass ends the program at the enclosure limit. Nothing reads past the slots.
void TestEvaluation::tableGrowsDuringMail()
{
    Harness h;
    QVERIFY(h.start());
    h.c().flags()._isSendMail = true;
    QVERIFY(h.feed(answer({healthyBox(QStringLiteral("1000"))})));

    const QString hold = h.dir.filePath(QStringLiteral("hold"));
    const QString started = h.dir.filePath(QStringLiteral("mail-started"));
    QVERIFY(QFile(hold).open(QIODevice::WriteOnly));
    BoxSpec degraded = healthyBox(QStringLiteral("1000"));
    degraded.unplug(1);
    QList<BoxSpec> many{degraded};
    for (int i = 1; i < 20; ++i)
        many << healthyBox(QString::number(1000 + i));

    int countDuringWait = 0;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!QFile::exists(started))
            return;
        h.c().client().handleReadBytes(answer(many));
        countDuringWait = h.c().client().getDeviceCount();
        QFile::remove(hold);
        poll.stop();
    });
    poll.start();
    h.c().client().handleReadBytes(answer({degraded}));
    QVERIFY(h.settle(3));

    // The table takes no more than the slots hold.
    QCOMPARE(countDuringWait, EvaluationPass::kSlots);
    // The pass that waited evaluated every enclosure its slots hold, none beyond.
    for (int i = 1; i < EvaluationPass::kSlots; ++i)
        QCOMPARE(h.c().pass().recoveryType(i), RecoveryType::Healthy);
    QCOMPARE(h.modal.alerts, QStringList{"MSG_ErrorMessage3"});
    QCOMPARE(h.system.terminations, 1);
}

void TestEvaluation::passLogLine()
{
    static QStringList lines;
    lines.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("tamro.monitor.info=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext& context, const QString& msg) {
            if (QByteArray(context.category) == "tamro.monitor")
                lines << msg;
        });
    // Put back however the test ends, a failed check included.
    const auto restore = qScopeGuard([previous] {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    });
    PassRig r;
    QVERIFY(r.feed(answer({healthyBox(QStringLiteral("1")), healthyBox(QStringLiteral("2"))})));
    QVERIFY(r.feed(answer({healthyBox(QStringLiteral("1")), healthyBox("2").unplug(0)})));

    QVERIFY2(lines.contains(QStringLiteral("pass: 2 enclosure(s), icon: green (all well)")),
             qPrintable(lines.join('\n')));
    QVERIFY2(lines.contains(QStringLiteral("pass: 2 enclosure(s), icon: red (problem)")),
             qPrintable(lines.join('\n')));
    QVERIFY(lines.contains(QStringLiteral("icon: red (problem)")));
}

TAMRO_TEST_GUILESS_MAIN(TestEvaluation)
#include "test_evaluation.moc"
