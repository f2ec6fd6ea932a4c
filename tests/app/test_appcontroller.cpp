// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, the version gate, timers and the modal gate, the retry budget, lost connections
// (against a real loopback service), quitting and help.
#include "harness.h"
#include "testmain.h"

#include <QDir>
#include <QTcpSocket>
#include <QTimer>

using namespace tamro::test;

namespace {

const QByteArray kConfigCommand = QByteArrayLiteral("<SVConfigCmd/>\r\n");

// A stand-in storage service on a loopback port: counts connections, collects the commands
// written to it, and answers or hangs up as a test decides.
class FakeService : public QObject
{
public:
    FakeService()
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                const int n = ++connections;
                sockets << socket;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, n] {
                    pending[n] += socket->readAll();
                    if (!pending[n].endsWith("\r\n"))
                        return;
                    commands << pending[n];
                    pending[n].clear();
                    if (respond)
                        respond(socket, n);
                });
                if (onConnect)
                    onConnect(socket, n);
            }
        });
    }
    quint16 port() const { return server.serverPort(); }

    QTcpServer server;
    int connections = 0;
    QList<QTcpSocket*> sockets;
    QList<QByteArray> commands;
    QHash<int, QByteArray> pending;
    std::function<void(QTcpSocket*, int)> onConnect;
    std::function<void(QTcpSocket*, int)> respond;
};

std::function<void(ControllerConfig&)> onPort(quint16 port)
{
    return [port](ControllerConfig& config) { config.servicePort = port; };
}

} // namespace

class TestAppController : public QObject
{
    Q_OBJECT
private slots:
    void versionGate_data();
    void versionGate();
    void launchWritesConfigCommand();
    void refetchKeepsPendingCommand_data();
    void refetchKeepsPendingCommand();
    void retryBudget_data();
    void retryBudget();
    void lostConnectionNeverShowsAllWell();
    void serviceUnreachableThenBack();
    void serviceFailsThenAnswers_data();
    void serviceFailsThenAnswers();
    void timersWaitForModalPanel_data();
    void timersWaitForModalPanel();
    void refetchTimerLifecycle();
    void quitPanel_data();
    void quitPanel();
    void help_data();
    void help();
};

void TestAppController::versionGate_data()
{
    QTest::addColumn<std::optional<quint32>>("version");
    QTest::addColumn<bool>("passes");

    QTest::newRow("10.3.8") << std::optional<quint32>(0x1038) << false;
    QTest::newRow("10.3.9") << std::optional<quint32>(0x1039) << true;
    QTest::newRow("10.4.0") << std::optional<quint32>(0x1040) << true;
    QTest::newRow("query failed") << std::optional<quint32>() << false;
}

void TestAppController::versionGate()
{
    QFETCH(std::optional<quint32>, version);
    QFETCH(bool, passes);

    Harness h(fastTiming(), [version](ControllerConfig& config) {
        config.versionQuery = [version] { return version; };
    });
    QCOMPARE(h.c().init(), passes);
    if (passes) {
        QVERIFY(h.modal.alerts.isEmpty());
        QCOMPARE(h.system.terminations, 0);
        // Defaults are registered at creation, before anything reads a preference.
        QVERIFY(h.store->registeredDefaults().contains(QStringLiteral("AddLoginItem")));
        QVERIFY(h.store->boolForKey(QStringLiteral("AddLoginItem")));
        QVERIFY(!h.store->boolForKey(QStringLiteral("SendMail")));
        QCOMPARE(h.c().client().getCommand(), int(ParseRaidInfo::kConfig));
    } else {
        QCOMPARE(h.modal.alerts, QStringList{"MSG_Version"});
        QCOMPARE(h.modal.criticalAlerts, QList<bool>{true});
        QCOMPARE(h.system.terminations, 1);
        QVERIFY(h.store->registeredDefaults().isEmpty());
    }
}

void TestAppController::launchWritesConfigCommand()
{
    FakeService service;
    Harness h(fastTiming(), onPort(service.port()));
    QVERIFY(h.start());
    h.c().applicationDidFinishLaunching();
    QCOMPARE(h.status.icons.value(0, -1), 0);
    QCOMPARE(h.status.summary, QStringLiteral("UI_StateWaiting"));
    QTRY_COMPARE(service.commands.size(), 1);
    QCOMPARE(service.commands.first(), kConfigCommand);
    QTRY_COMPARE(h.c().client().getCommand(), int(ParseRaidInfo::kIdle));
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Waiting);
}

void TestAppController::refetchKeepsPendingCommand_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("idle becomes configuration") << 0 << 3;
    QTest::newRow("device scan stays") << 2 << 2;
    QTest::newRow("configuration stays") << 3 << 3;
}

void TestAppController::refetchKeepsPendingCommand()
{
    QFETCH(int, before);
    QFETCH(int, after);
    FakeService service;
    Harness h(fastTiming(), onPort(service.port()));
    QVERIFY(h.start());
    h.c().client().setCommand(before);
    h.c().refetch();
    QCOMPARE(h.c().client().getCommand(), after);
    // A fresh connection carries the pending command.
    QTRY_COMPARE(service.commands.size(), 1);
    QCOMPARE(service.commands.first(), ParseRaidInfo::commandText(after));
}

void TestAppController::retryBudget_data()
{
    QTest::addColumn<bool>("loginItem");
    QTest::addColumn<int>("errors");
    QTest::addColumn<int>("alerts");
    QTest::addColumn<int>("retries");
    QTest::addColumn<int>("command");

    QTest::newRow("login item off: alert at once") << false << 1 << 1 << 0 << 0;
    QTest::newRow("login item on: ten silent retries") << true << 10 << 0 << 10 << 3;
    QTest::newRow("login item on: the eleventh gives up") << true << 11 << 1 << 10 << 0;
}

void TestAppController::retryBudget()
{
    QFETCH(bool, loginItem);
    QFETCH(int, errors);
    QFETCH(int, alerts);
    QFETCH(int, retries);
    QFETCH(int, command);

    Harness h;
    QVERIFY(h.start());
    h.c().flags()._isAddLoginItem = loginItem;
    for (int i = 0; i < errors; ++i) {
        h.c().pass().errorOccurredStreamEvent();
        // A lost connection shows the problem icon at once, retried or not.
        QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Problem);
    }
    QCOMPARE(h.modal.alerts.size(), alerts);
    if (alerts > 0)
        QCOMPARE(h.modal.alerts.first(), QStringLiteral("MSG_ErrorMessage2"));
    QCOMPARE(h.c().pass().rescanCount(), retries);
    QCOMPARE(h.c().client().getCommand(), command);
    // Once the retries are given up, the hourly refetch keeps trying.
    QCOMPARE(h.c().isRefetchTimerActive(), alerts > 0);
    QVERIFY(h.status.summary.startsWith(QStringLiteral("UI_NoService")));
}

void TestAppController::lostConnectionNeverShowsAllWell()
{
    Harness h;
    QVERIFY(h.start());
    h.c().flags()._isAddLoginItem = true;
    h.c().pass().errorOccurredStreamEvent();
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Problem);
    h.status.icons.clear();

    // An answer read before the loss is still handed over: its pass finds a healthy
    // enclosure, yet without a connection the icon does not turn green.
    QVERIFY(h.feed(answer({healthyBox(QStringLiteral("1234"))})));
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::Problem);
    QVERIFY(!h.status.icons.contains(1));
    QCOMPARE(h.status.summary, QStringLiteral("UI_NoService\n1234: UI_StateHealthy"));
}

void TestAppController::serviceUnreachableThenBack()
{
    FakeService service;
    // The first eleven connections are cut at once; the twelfth is answered.
    service.onConnect = [](QTcpSocket* socket, int n) {
        if (n <= 11)
            socket->abort();
    };
    service.respond = [](QTcpSocket* socket, int n) {
        if (n > 11)
            socket->write(answer({healthyBox(QStringLiteral("1234"))}));
    };
    ControllerTiming timing = fastTiming();
    timing.loginMs = 1;
    timing.refetchMs = 50;
    Harness h(timing, onPort(service.port()));
    // What held when the retries were given up, read while the alert is up: the refetch
    // timer, started just before it, cannot have fired yet.
    int connections = -1;
    int retries = -1;
    int icon = -1;
    int passes = -1;
    QList<int> icons;
    QStringList mailsAtAlert;
    h.modal.onAlert = [&] {
        if (connections >= 0)
            return;
        mailsAtAlert = h.newEvents();
        connections = service.connections;
        retries = h.c().pass().rescanCount();
        icon = int(h.c().pass().statusIcon());
        passes = h.passes;
        icons = h.status.icons;
    };
    QVERIFY(h.start());
    h.c().applicationDidFinishLaunching(); // start at login is on by default
    h.c().flags()._isSendMail = true;      // the service's state goes out by mail too

    QTRY_VERIFY_WITH_TIMEOUT(!h.modal.alerts.isEmpty(), 20000);
    QCOMPARE(h.modal.alerts.first(), QStringLiteral("MSG_ErrorMessage2"));
    // The mail went out before the alert waits for someone at the desk.
    QCOMPARE(mailsAtAlert.size(), 1);
    QVERIFY2(mailsAtAlert.first().endsWith(u"|MSG_AlertServiceDown"),
             qPrintable(mailsAtAlert.first()));
    QCOMPARE(connections, 11); // the first try and ten retries
    QCOMPARE(retries, EvaluationPass::kMaxRetries);
    QCOMPARE(icon, 2);
    QVERIFY(!icons.contains(1));
    QCOMPARE(passes, 0);

    // The hourly refetch reaches the service once it answers again (it keeps repeating, so
    // more passes may follow before the check).
    QTRY_VERIFY_WITH_TIMEOUT(h.passes >= 1, 20000);
    QTRY_COMPARE(h.c().pass().statusIcon(), StatusIcon::AllWell);
    QCOMPARE(h.c().pass().rescanCount(), 0);
    QCOMPARE(h.modal.alerts.size(), 1);
    // Back again: said once, however many passes follow.
    const QStringList back = h.newEvents();
    QCOMPARE(back.size(), 1);
    QVERIFY2(back.first().endsWith(u"|MSG_AlertServiceBack"), qPrintable(back.first()));
}

void TestAppController::serviceFailsThenAnswers_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QByteArray>("command"); // what the next connection carries
    QTest::addColumn<int>("connections");
    QTest::addColumn<int>("passes");

    QTest::newRow("closes the connection") << 0 << kConfigCommand << 2 << 2;
    // A command with no answer in time: the connection counts as lost.
    QTest::newRow("stops answering") << 1 << kConfigCommand << 3 << 2;
    // A document that fails to parse: the device scan goes out on a new connection.
    QTest::newRow("sends a broken document")
        << 2 << QByteArrayLiteral("<SVScanDevicesCmd/>\r\n") << 2 << 3;
}

void TestAppController::serviceFailsThenAnswers()
{
    QFETCH(int, failure);
    QFETCH(QByteArray, command);
    QFETCH(int, connections);
    QFETCH(int, passes);

    FakeService service;
    bool mute = false;
    service.respond = [&mute](QTcpSocket* socket, int) {
        if (!mute)
            socket->write(answer({healthyBox(QStringLiteral("1234"))}));
    };
    ControllerTiming timing = fastTiming();
    timing.loginMs = 1;
    timing.rescanMs = 1;
    Harness h(timing, onPort(service.port()));
    QVERIFY(h.start());
    h.c().applicationDidFinishLaunching();
    QTRY_COMPARE(h.passes, 1);
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::AllWell);
    h.status.icons.clear();

    if (failure == 0) {
        service.sockets.first()->disconnectFromHost();
    } else if (failure == 1) {
        // The next command goes unanswered; once that counts as a lost connection (the
        // icon turns), the service answers again and the time-out is long again.
        h.c().client().setTimeouts(20, 3600000);
        mute = true;
        QObject::connect(&h.c(), &AppController::statusIconChanged, &h.c(), [&](int icon) {
            if (icon == 2 && mute) {
                mute = false;
                h.c().client().setTimeouts(3600000, 3600000);
            }
        });
        h.c().refetch();
    } else {
        service.sockets.first()->write(brokenDocument());
    }

    // The problem icon at once, then a new connection whose answer brings the icon back.
    QTRY_COMPARE(service.connections, connections);
    QCOMPARE(h.status.icons.value(0, -1), 2);
    QTRY_COMPARE(service.commands.size(), connections);
    QCOMPARE(service.commands.last(), command);
    QTRY_COMPARE(h.passes, passes);
    QCOMPARE(h.c().pass().statusIcon(), StatusIcon::AllWell);
    QCOMPARE(h.c().pass().rescanCount(), 0);
    QVERIFY(h.modal.alerts.isEmpty());
}

void TestAppController::timersWaitForModalPanel_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("rescan") << 0;
    QTest::newRow("retry after a connection error") << 1;
    QTest::newRow("repeating refetch") << 2;
}

void TestAppController::timersWaitForModalPanel()
{
    QFETCH(int, which);
    FakeService service;
    ControllerTiming timing = fastTiming();
    timing.rescanMs = 1;
    timing.loginMs = 1;
    timing.refetchMs = 1;
    Harness h(timing, onPort(service.port()));
    QVERIFY(h.start());
    {
        ModalScope panel;
        if (which == 0)
            h.c().startTimerAtRescan();
        else if (which == 1)
            h.c().startTimerAtLogIn();
        else
            h.c().startTimer();
        QTRY_COMPARE(ModalGate::instance().pending(), 1);
        QTest::qWait(20); // a repeating timer keeps firing: still one refetch waits
        QCOMPARE(ModalGate::instance().pending(), 1);
        QCOMPARE(service.connections, 0);
    }
    QTRY_VERIFY(service.connections >= 1);
    QTRY_VERIFY(!service.commands.isEmpty());
    QCOMPARE(service.commands.first(), kConfigCommand);
    h.c().stopTimer();
}

void TestAppController::refetchTimerLifecycle()
{
    Harness h;
    QVERIFY(h.start());
    QVERIFY(!h.c().isRefetchTimerActive());
    // Started by the first pass, so the state is fetched again even if the service is silent.
    QVERIFY(h.feed(answer({healthyBox(QStringLiteral("1"))})));
    QVERIFY(h.c().isRefetchTimerActive());
    h.c().stopTimer();
    QVERIFY(!h.c().isRefetchTimerActive());
    h.c().stopTimer(); // nothing to stop
    h.c().startTimer();
    h.c().startTimer();
    int repeating = 0;
    for (const QTimer* timer : h.c().findChildren<QTimer*>()) {
        if (timer->isActive() && !timer->isSingleShot())
            ++repeating;
    }
    QCOMPARE(repeating, 1);
}

void TestAppController::quitPanel_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("terminations");
    QTest::newRow("OK") << 1 << 1;
    QTest::newRow("Cancel") << 0 << 0;
    QTest::newRow("any other code") << 2 << 0;
}

void TestAppController::quitPanel()
{
    QFETCH(int, answer);
    QFETCH(int, terminations);
    Harness h;
    QVERIFY(h.start());
    h.modal.quitAnswers.push_back(answer);
    h.c().terminateApp();
    QCOMPARE(h.modal.quitTexts, QStringList{"MSG_QuitMessage"});
    QCOMPARE(h.system.terminations, terminations);
}

void TestAppController::help_data()
{
    QTest::addColumn<bool>("present");
    QTest::newRow("help file present") << true;
    QTest::newRow("help file missing") << false;
}

void TestAppController::help()
{
    QFETCH(bool, present);
    Harness h;
    QVERIFY(h.start());
    const QString folder = h.dir.filePath(QStringLiteral("help"));
    const QString file = folder + QStringLiteral("/MSG_HelpFileName.html");
    QVERIFY(QDir().mkpath(folder));
    if (present) {
        QFile help(file);
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.write("<html></html>");
    }
    h.c().showHelp();
    QCOMPARE(h.system.opened, present ? QStringList{file} : QStringList{});
    QCOMPARE(h.c().helpFilePath(), present ? file : QString());
    QVERIFY(h.modal.alerts.isEmpty());
}

TAMRO_TEST_GUILESS_MAIN(TestAppController)
#include "test_appcontroller.moc"
