// SPDX-License-Identifier: GPL-3.0-or-later
// The evaluation pass, driven by real documents through the real client: slots, log rows,
// mails, the notice panel, notifications, the icon, removal, the enclosure limit, the
// shutdown after rebuilds, parse failures and hand-offs held back while a mail is sent.
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

} // namespace

Q_DECLARE_METATYPE(QList<PassStep>)

class TestEvaluation : public QObject
{
    Q_OBJECT
private slots:
    void passSequences_data();
    void passSequences();
    void errorType_data();
    void errorType();
    void rebuildStatus_data();
    void rebuildStatus();
    void noEnclosure_data();
    void noEnclosure();
    void removalOfMiddleEnclosure();
    void removalOfHealthyEnclosure_data();
    void removalOfHealthyEnclosure();
    void enclosureLimit_data();
    void enclosureLimit();
    void rebuildsFinishing_data();
    void rebuildsFinishing();
    void clientFollowsRebuild();
    void parseFailureRetries();
    void parseFailureWithCommandPending();
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
        {"A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy},
        {"B",
         degraded,
         2,
         1,
         0,
         {disk2Missing, mailOk},
         {"problem 1234"},
         {panel},
         {NoticeKind::Problem},
         2,
         kProblem},
        {"C", degraded, 2, 1, 0, {}, {}, {}, {}, 2, kProblem},
        {"D", rebuilding, 0, 2, 1, {}, {}, {}, {}, 1, rebuildingSummary},
        {"E", rebuilding, 0, 2, 1, {}, {}, {}, {}, 1, rebuildingSummary},
        {"F",
         healthy,
         0,
         2,
         0,
         {retrieved, mailOk},
         {"rebuild 1234"},
         {},
         {NoticeKind::RebuildFinished},
         1,
         kHealthy},
        {"G", healthy, 0, 2, 0, {}, {}, {}, {}, 1, kHealthy},
    };

    // Reported all the same, but the rebuild status keeps the evaluation from logging; the
    // report cancels the rebuild it had just begun to track.
    QTest::newRow("drive lost while the box reports a rebuild") << QList<PassStep>{
        {"A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy},
        {"B",
         degradedRebuilding,
         2,
         1,
         0,
         {mailOk},
         {"problem 1234"},
         {panel},
         {NoticeKind::Problem},
         2,
         kProblem},
    };

    // A drive that fails while attached is a problem like a pulled one, said as such; its
    // repair recovers the enclosure as the drive's return would.
    BoxSpec failed = healthy;
    failed.fail(1);
    const QString disk2Failed = QStringLiteral("RAID 1,Disk2 has failed.");
    QTest::newRow("a drive fails in place, then is repaired") << QList<PassStep>{
        {"A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy},
        {"B",
         failed,
         2,
         1,
         0,
         {disk2Failed, mailOk},
         {"problem 1234"},
         {panelText(QStringLiteral("1234"), QStringLiteral("MSG_DiskInfo6"))},
         {NoticeKind::Problem},
         2,
         kProblem},
        {"C", failed, 2, 1, 0, {}, {}, {}, {}, 2, kProblem},
        {"D", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy},
    };
    BoxSpec failedAndPulled = failed;
    failedAndPulled.unplug(0);
    QTest::newRow("a drive fails while the other is out") << QList<PassStep>{
        {"A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy},
        {"B",
         failedAndPulled,
         3,
         1,
         0,
         {QStringLiteral("RAID 1,Disk1/2 is not connected."), mailOk},
         {"problem 1234"},
         {panelText(QStringLiteral("1234"), QStringLiteral("MSG_DiskInfo3"))},
         {NoticeKind::Problem},
         2,
         kProblem},
    };
    BoxSpec bothFailed = failed;
    bothFailed.fail(0);
    QTest::newRow("both drives fail") << QList<PassStep>{
        {"A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy},
        {"B",
         bothFailed,
         3,
         1,
         0,
         {QStringLiteral("RAID 1,Disk1/2 have failed."), mailOk},
         {"problem 1234"},
         {panelText(QStringLiteral("1234"), QStringLiteral("MSG_DiskInfo7"))},
         {NoticeKind::Problem},
         2,
         kProblem},
    };
    // A drive waiting for its rebuild while the box reports normal is no problem.
    BoxSpec waiting = healthy;
    waiting.drive1.status = 3;
    QTest::newRow("a drive waits for its rebuild") << QList<PassStep>{
        {"A", healthy, 0, 2, 0, {retrieved}, {}, {}, {}, 1, kHealthy},
        {"B", waiting, 0, 2, 0, {}, {}, {}, {}, 1, kHealthy},
        {"C", healthy, 0, 2, 0, {}, {}, {}, {}, 1, kHealthy},
    };

    // A problem at the first evaluation is logged, never mailed or shown; it stays quiet.
    QTest::newRow("degraded from the first pass") << QList<PassStep>{
        {"A", degraded, 2, 1, 0, {disk2Missing}, {}, {}, {}, 2, kProblem},
        {"B", degraded, 2, 1, 0, {}, {}, {}, {}, 2, kProblem},
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
        QVERIFY2(h.c().pass().errorType(0) == ErrorType(step.errorType), name);
        QVERIFY2(h.c().pass().recoveryType(0) == RecoveryType(step.recoveryType), name);
        QVERIFY2(h.c().pass().rebuildPhase(0) == RebuildPhase(step.rebuildPhase), name);
        QCOMPARE(h.newLogRows(2), step.logRows);
        QCOMPARE(describeEvents(h.newEvents()), step.mails);
        QCOMPARE(h.modal.panels, step.panels);
        QList<NoticeKind> kinds;
        for (const Notice& notice : std::as_const(h.status.notices))
            kinds << notice.kind;
        QVERIFY2(kinds == step.notices, name);
        QVERIFY2(h.c().pass().statusIcon() == StatusIcon(step.icon), name);
        // The whole pass shows one icon: never "all well" part-way through a pass that ends
        // in a problem.
        QList<int> shown;
        for (const int icon : h.status.icons.mid(iconsBefore)) {
            if (shown.isEmpty() || shown.last() != icon)
                shown << icon;
        }
        QStringList shownText;
        for (const int icon : std::as_const(shown))
            shownText << QString::number(icon);
        QVERIFY2(shown == QList<int>{step.icon},
                 qPrintable(step.name + QStringLiteral(": icons ") + shownText.join(u' ')));
        QCOMPARE(h.status.summary, step.summary);
    }
    QVERIFY(h.modal.alerts.isEmpty());
}

void TestEvaluation::errorType_data()
{
    QTest::addColumn<int>("eResult");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("plugged0");
    QTest::addColumn<int>("plugged1");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QByteArray>("after"); // read with the answer, before its hand-off

    const QByteArray none;
    QTest::newRow("all well") << 0 << 1 << 1 << 1 << 0 << 1 << none;
    QTest::newRow("failed command") << 5 << 1 << 1 << 1 << 1 << 2 << none;
    QTest::newRow("negative result") << -1 << 1 << 1 << 1 << 1 << 2 << none;
    QTest::newRow("disk1 missing") << 0 << 1 << 0 << 1 << 2 << 2 << none;
    QTest::newRow("disk2 missing, failed command") << 3 << 1 << 1 << 0 << 2 << 2 << none;
    QTest::newRow("mode 0, disk2 missing") << 0 << 0 << 1 << 0 << 0 << 1 << none;
    QTest::newRow("mode 0, disk1 missing, failed command") << 1 << 0 << 0 << 1 << 1 << 2 << none;
    QTest::newRow("mode 0, both missing") << 0 << 0 << 0 << 0 << 3 << 2 << none;
    QTest::newRow("both missing, failed command") << 7 << 1 << 0 << 0 << 3 << 2 << none;
    QTest::newRow("plugged in as 2 and -1") << 0 << 1 << 2 << -1 << 0 << 1 << none;
    // The pass judges the answer's own result, not that of the message read after it.
    QTest::newRow("failed command, then an event message")
        << 1 << 1 << 1 << 1 << 1 << 2 << eventMessage(5, QStringLiteral("77"));
}

void TestEvaluation::errorType()
{
    QFETCH(int, eResult);
    QFETCH(int, mode);
    QFETCH(int, plugged0);
    QFETCH(int, plugged1);
    QFETCH(int, expected);
    QFETCH(int, icon);
    QFETCH(QByteArray, after);

    Harness h;
    QVERIFY(h.start());
    BoxSpec box = healthyBox(QStringLiteral("77"));
    box.withMode(mode);
    box.drive0.pluggedIn = plugged0;
    box.drive1.pluggedIn = plugged1;
    QVERIFY(h.feed(answer({box}, eResult) + after));
    QCOMPARE(h.c().pass().errorType(0), ErrorType(expected));
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon(icon));
    // The first evaluation with a problem remembers it; one without marks the box healthy.
    QCOMPARE(h.c().pass().recoveryType(0), RecoveryType(expected == 0 ? 2 : 1));
}

void TestEvaluation::rebuildStatus_data()
{
    QTest::addColumn<std::optional<QString>>("rebuild");
    QTest::addColumn<int>("phase");
    QTest::addColumn<bool>("logged");

    QTest::newRow("Normal") << std::optional<QString>(QStringLiteral("Normal")) << 0 << true;
    QTest::newRow("absent counts as rebuilding") << std::optional<QString>() << 1 << false;
    QTest::newRow("case matters") << std::optional<QString>(QStringLiteral("normal")) << 1 << false;
    QTest::newRow("Rebuilding") << std::optional<QString>(QStringLiteral("Rebuilding")) << 1
                                << false;
}

void TestEvaluation::rebuildStatus()
{
    QFETCH(std::optional<QString>, rebuild);
    QFETCH(int, phase);
    QFETCH(bool, logged);

    Harness h;
    QVERIFY(h.start());
    h.c().flags()._isMakeLog = true;
    BoxSpec box = healthyBox(QStringLiteral("5"));
    box.rebuild = rebuild;
    QVERIFY(h.feed(answer({box})));
    QCOMPARE(h.c().pass().rebuildPhase(0), RebuildPhase(phase));
    QCOMPARE(h.c().pass().recoveryType(0), RecoveryType::Healthy);
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::AllWell);
    QCOMPARE(h.newLogRows(), logged ? QStringList{kRetrieved} : QStringList{});
}

void TestEvaluation::noEnclosure_data()
{
    QTest::addColumn<QString>("execInfo");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("with ExecInfo")
        << QStringLiteral("Retrieved configuration.")
        << QStringList{QStringLiteral("Device re-scan did not find any devices.")};
    QTest::newRow("without ExecInfo") << QString() << QStringList{};
}

void TestEvaluation::noEnclosure()
{
    QFETCH(QString, execInfo);
    QFETCH(QStringList, rows);

    Harness h;
    QVERIFY(h.start());
    h.c().flags()._isMakeLog = true;
    h.c().flags()._isSendMail = true;
    h.c().flags()._isDispPanel = true;
    // One retry spent: a pass without enclosures does not give it back.
    h.c().flags()._isAddLoginItem = true;
    h.c().pass().errorOccurredStreamEvent();
    const int retries = h.c().pass().rescanCount();
    QCOMPARE(retries, 1);

    QVERIFY(h.feed(answer({}, 0, execInfo)));
    QCOMPARE(h.c().pass().errorType(0), ErrorType::NoDrive);
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Problem);
    QCOMPARE(h.c().pass().rescanCount(), retries);
    QCOMPARE(h.newLogRows(), rows);
    QVERIFY(h.newEvents().isEmpty());
    QVERIFY(h.modal.panels.isEmpty());
    QVERIFY(h.c().targetNames().isEmpty());
    QVERIFY(h.status.reloadedRows.isEmpty());
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
    QCOMPARE(h.c().pass().rebuildPhase(2), RebuildPhase::Running);
    h.newLogRows();
    h.newEvents();

    QVERIFY(h.feed(removalEvent(QStringLiteral("22"))));

    // Only the removed enclosure was evaluated: no volume description, reported once.
    QCOMPARE(h.newLogRows(), (QStringList{QStringLiteral("Failed configuration."), kMailOk}));
    QCOMPARE(describeEvents(h.newEvents()), QStringList{"problem 22"});
    QCOMPARE(h.modal.panels, QStringList{panelText("22", "MSG_DiskInfo4")});
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Problem);
    // Dropped: the old third enclosure moved down, its old slot cleared.
    QCOMPARE(h.c().client().getDeviceCount(), 2);
    QCOMPARE(h.c().pass().errorType(1), ErrorType::NoProblem);
    QCOMPARE(h.c().pass().recoveryType(1), RecoveryType::Healthy);
    QCOMPARE(h.c().pass().rebuildPhase(1), RebuildPhase::Running);
    QCOMPARE(h.c().pass().errorType(2), ErrorType::NoProblem);
    QCOMPARE(h.c().pass().recoveryType(2), RecoveryType::Unknown);
    QCOMPARE(h.c().pass().rebuildPhase(2), RebuildPhase::Idle);
    QCOMPARE(h.c().selIdx(), 1);
    QCOMPARE(h.c().targetNames(), (QStringList{"11", "33"}));
    QCOMPARE(h.status.reloadedRows, (QList<int>{0, 1}));
    // The enclosure taken at the start of the pass now holds the rebuilding one.
    QCOMPARE(h.c().client().getDeviceIndex(), 0);
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
}

void TestEvaluation::enclosureLimit_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("eight are watched") << 8;
    QTest::newRow("a ninth ends the program") << 9;
}

void TestEvaluation::enclosureLimit()
{
    QFETCH(int, count);
    Harness h;
    QVERIFY(h.start());
    h.c().flags()._isMakeLog = true;
    QList<BoxSpec> boxes;
    for (int i = 0; i < count; ++i)
        boxes << healthyBox(QString::number(100 + i));
    QVERIFY(h.feed(answer(boxes)));

    if (count <= AppController::kMaxEnclosures) {
        QVERIFY(h.modal.alerts.isEmpty());
        QCOMPARE(h.system.terminations, 0);
        QCOMPARE(h.c().targetNames().size(), count);
        QCOMPARE(h.newLogRows().size(), count);
        for (int i = 0; i < count; ++i)
            QCOMPARE(h.c().pass().recoveryType(i), RecoveryType::Healthy);
        QCOMPARE(h.c().pass().statusIcon(), StatusIcon::AllWell);
    } else {
        QCOMPARE(h.modal.alerts, QStringList{"MSG_ErrorMessage3"});
        QCOMPARE(h.system.terminations, 1);
        // Nothing evaluated, logged, listed or shown.
        for (int i = 0; i < count; ++i)
            QCOMPARE(h.c().pass().recoveryType(i), RecoveryType::Unknown);
        QVERIFY(h.newLogRows().isEmpty());
        QVERIFY(h.c().targetNames().isEmpty());
        QCOMPARE(h.status.shown, 0);
    }
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

void TestEvaluation::clientFollowsRebuild()
{
    Harness h;
    QVERIFY(h.start());
    BoxSpec a = healthyBox(QStringLiteral("1"));
    BoxSpec b = healthyBox(QStringLiteral("2"));
    BoxSpec c = healthyBox(QStringLiteral("3"));
    c.rebuilding();
    QVERIFY(h.feed(answer({a, b, c})));
    // The last new enclosure is current and rebuilding itself: it stays current.
    QCOMPARE(h.c().client().getDeviceIndex(), 2);

    a.rebuilding();
    b.rebuilding();
    QVERIFY(h.feed(answer({a, b, healthyBox(QStringLiteral("3"))})));
    // The current one finished; the highest-indexed rebuilding enclosure becomes current.
    QCOMPARE(h.c().client().getDeviceIndex(), 1);
}

void TestEvaluation::parseFailureRetries()
{
    Harness h;
    QVERIFY(h.start());
    QVERIFY(h.feed(answer({healthyBox(QStringLiteral("9"))})));
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::AllWell);

    // Broken documents in a row: a device scan after each, until the retries are spent.
    for (int round = 1; round <= AppController::kMaxRetries + 1; ++round) {
        h.c().client().setCommand(ParseRaidInfo::kIdle);
        QVERIFY(h.feed(brokenDocument()));
        QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Problem);
        if (round <= AppController::kMaxRetries) {
            QCOMPARE(h.c().pass().rescanCount(), round);
            QCOMPARE(h.c().client().getCommand(), int(ParseRaidInfo::kScanDevices));
        } else {
            QCOMPARE(h.c().pass().rescanCount(), AppController::kMaxRetries);
            QCOMPARE(h.c().client().getCommand(), int(ParseRaidInfo::kIdle));
        }
        // The slots are not touched by a failed pass.
        QCOMPARE(h.c().pass().recoveryType(0), RecoveryType::Healthy);
    }
    QVERIFY(h.modal.alerts.isEmpty());

    // A pass that finds an enclosure gives the budget back.
    QVERIFY(h.feed(answer({healthyBox(QStringLiteral("9"))})));
    QCOMPARE(h.c().pass().rescanCount(), 0);
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::AllWell);
}

void TestEvaluation::parseFailureWithCommandPending()
{
    Harness h;
    QVERIFY(h.start());
    h.c().client().setCommand(ParseRaidInfo::kConfig);
    h.c().client().handleReadBytes(answer({healthyBox(QStringLiteral("9"))}));
    QVERIFY(h.feed(brokenDocument()));
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Problem);
    QCOMPARE(h.c().pass().rescanCount(), 0);
    QCOMPARE(h.c().client().getCommand(), int(ParseRaidInfo::kConfig));
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
    QCOMPARE(countDuringWait, AppController::kSlots);
    // The pass that waited evaluated every enclosure its slots hold, none beyond.
    for (int i = 1; i < AppController::kSlots; ++i)
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
    {
        Harness h;
        QVERIFY(h.start());
        QVERIFY(h.feed(answer({healthyBox(QStringLiteral("1")), healthyBox(QStringLiteral("2"))})));
        BoxSpec degraded = healthyBox(QStringLiteral("2"));
        degraded.unplug(0);
        QVERIFY(h.feed(answer({healthyBox(QStringLiteral("1")), degraded})));
    }

    QVERIFY2(lines.contains(QStringLiteral("pass: 2 enclosure(s), icon: green (all well)")),
             qPrintable(lines.join('\n')));
    QVERIFY2(lines.contains(QStringLiteral("pass: 2 enclosure(s), icon: red (problem)")),
             qPrintable(lines.join('\n')));
    QVERIFY(lines.contains(QStringLiteral("icon: red (problem)")));
}

TAMRO_TEST_GUILESS_MAIN(TestEvaluation)
#include "test_evaluation.moc"
