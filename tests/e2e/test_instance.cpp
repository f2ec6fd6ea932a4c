// SPDX-License-Identifier: GPL-3.0-or-later
// One monitor per user and its face to other processes. A monitor is built in this process
// the way the program builds it (shell, controller, instance), against the real simulator;
// the real executable is then started a second time, and with --status, as a user would.
// Runs inside a session bus of its own (dbus-run-session, see CMakeLists.txt).
#include "app/guiwiring.h"
#include "harness.h"
#include "testmain.h"

#include "app/appcontroller.h"
#include "bus/monitorinstance.h"
#include "presentation/statuspresentation.h"
#include "ui/guishell.h"
#include "ui/modalanswers.h"
#include "ui/statuswindow.h"

#include <QDBusConnection>
#include <QJsonArray>

using e2e::Child;
using e2e::waitUntil;

namespace {

struct Run
{
    int code = -1; // -1: did not end
    QString out;
    QString err;
};

// Runs the monitor executable to its end, keeping this process's event loop turning (the
// monitor it talks to may be this process).
Run runMonitor(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TAMRO_MONITOR), args);
    Run run;
    if (!process.waitForStarted(10000) ||
        !waitUntil([&] { return process.state() == QProcess::NotRunning; }, 20000)) {
        process.kill();
        process.waitForFinished(3000);
        return run;
    }
    run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QStringList serials(const QJsonObject& status)
{
    QStringList list;
    for (const QJsonValue& e : status.value(u"enclosures").toArray())
        list << e.toObject().value(u"serial").toString();
    return list;
}

// The monitor as the program assembles it, without its tray launch (so its status window
// stays hidden until someone asks for it).
struct Monitor
{
    GuiShell shell;
    std::unique_ptr<AppController> controller;
    MonitorInstance instance;

    bool start(quint16 port, bool useSessionBus)
    {
        if (instance.claim(useSessionBus) != MonitorInstance::Claim::Primary)
            return false;
        ControllerConfig config;
        config.status = &shell;
        config.modal = &shell;
        config.windows = &shell;
        config.system = &shell;
        config.servicePort = port;
        config.timing.handOffIdleMs = 10;
        config.timing.handOffBusyMs = 50;
        controller = std::make_unique<AppController>(config);
        shell.attach(shellWiring(*controller));
        if (!controller->init())
            return false;
        attachInstance(instance, *controller);
        controller->applicationDidFinishLaunching();
        return true;
    }
    MonitorSnapshot::State state() const { return controller->pass().snapshot().state; }
    ~Monitor()
    {
        instance.detach();
        shell.detach();
    }
};

} // namespace

class TestInstance : public QObject
{
    Q_OBJECT

private:
    e2e::Paths _paths;
    std::unique_ptr<Child> _sim;
    quint16 _simPort = 0;

    bool startSim()
    {
        _sim = std::make_unique<Child>(QStringLiteral("sim"));
        if (!_sim->start(_paths.sim, {QStringLiteral("--port"), QStringLiteral("0"),
                                      QStringLiteral("--scenario"),
                                      _paths.scenarios + u"/two-healthy.json"_qs}))
            return false;
        _simPort = quint16(_sim->waitOut(QStringLiteral("listening (\\d+)")).toUInt());
        return _simPort != 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(),
                 "no session bus: run this test inside dbus-run-session");
        // What --headless does: nobody clicks the notice panel here.
        ModalAnswers::instance().setAutoAnswer(true);
    }

    void cleanup() { _sim.reset(); }

    void secondStartShowsTheRunningMonitor_data()
    {
        QTest::addColumn<bool>("monitorOnBus");
        QTest::addColumn<bool>("startOnBus");
        QTest::addColumn<bool>("ownRuntimeFolder");
        // The lock tells at once: the second start needs no display.
        QTest::newRow("lock, session bus") << true << true << false;
        // Another runtime folder, the same bus: the bus name tells.
        QTest::newRow("session-bus name") << true << true << true;
        // No session bus anywhere: the lock and the local socket beside it.
        QTest::newRow("lock, no session bus") << false << false << false;
    }

    void secondStartShowsTheRunningMonitor()
    {
        QFETCH(bool, monitorOnBus);
        QFETCH(bool, startOnBus);
        QFETCH(bool, ownRuntimeFolder);
        QVERIFY(startSim());
        Monitor first;
        QVERIFY(first.start(_simPort, monitorOnBus));
        QVERIFY(waitUntil([&] { return first.state() == MonitorSnapshot::State::AllWell; }, 20000));
        QVERIFY(!first.shell.statusWindow()->isVisible());

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAMRO_SERVICE_PORT"), QString::number(_simPort));
        if (!startOnBus)
            env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        if (ownRuntimeFolder) {
            const QString other = tamro::test::homePath() + u"/other-runtime"_qs;
            QDir().mkpath(other);
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), other);
        } else {
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        }
        const Run second = runMonitor({}, env);
        QCOMPARE(second.code, 0);
        QVERIFY2(second.err.contains(u"running already; it shows its status window"),
                 qPrintable(second.err));
        QVERIFY(waitUntil([&] { return first.shell.statusWindow()->isVisible(); }, 5000));

        // The simulator saw the first monitor only.
        _sim->write("status\n");
        QVERIFY(_sim->waitErr(QStringLiteral("sim: clients ")));
        QCOMPARE(_sim->countErr(QStringLiteral("client \\d+ connected")), 1);

        // --status reaches the same monitor the same way.
        const Run status = runMonitor({QStringLiteral("--status"), QStringLiteral("--json")}, env);
        QCOMPARE(status.code, 0);
        const QJsonObject json = QJsonDocument::fromJson(status.out.toUtf8()).object();
        QCOMPARE(serials(json), (QStringList{u"100001"_qs, u"100002"_qs}));
    }

    void statusSaysHowThingsAre()
    {
        QVERIFY(startSim());
        auto monitor = std::make_unique<Monitor>();
        QVERIFY(monitor->start(_simPort, true));
        QVERIFY(
            waitUntil([&] { return monitor->state() == MonitorSnapshot::State::AllWell; }, 20000));
        const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const QStringList asJson{QStringLiteral("--status"), QStringLiteral("--json")};

        Run run = runMonitor(asJson, env);
        QCOMPARE(run.code, 0);
        QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(json.value(u"state").toString(), u"ok"_qs);
        QCOMPARE(serials(json), (QStringList{u"100001"_qs, u"100002"_qs}));

        // A drive pulled: 1, and the enclosure and drive say which.
        _sim->write("unplug 0 1\n");
        QVERIFY(
            waitUntil([&] { return monitor->state() == MonitorSnapshot::State::Problem; }, 20000));
        run = runMonitor(asJson, env);
        QCOMPARE(run.code, 1);
        json = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(json.value(u"state").toString(), u"problem"_qs);
        QCOMPARE(serials(json), (QStringList{u"100001"_qs, u"100002"_qs}));
        const QJsonObject pulled = json.value(u"enclosures").toArray().at(0).toObject();
        QCOMPARE(pulled.value(u"state").toString(), u"problem"_qs);
        QCOMPARE(pulled.value(u"drives").toArray().at(1).toObject().value(u"plugged").toBool(true),
                 false);
        // The table a person reads: a row per enclosure.
        run = runMonitor({QStringLiteral("--status")}, env);
        QCOMPARE(run.code, 1);
        QVERIFY2(QRegularExpression(QStringLiteral("\\n100001 +100001 +PROBLEM .*not connected\\n"))
                     .match(run.out)
                     .hasMatch(),
                 qPrintable(run.out));

        // The drive back and rebuilding: still 1, with the progress.
        _sim->write("plug 0 1 rebuild\nprogress 0 45\n");
        QVERIFY(waitUntil(
            [&] {
                const MonitorSnapshot& now = monitor->controller->pass().snapshot();
                return now.state == MonitorSnapshot::State::Rebuilding &&
                       now.enclosures.at(0).rebuildProgress == 45;
            },
            20000));
        run = runMonitor(asJson, env);
        QCOMPARE(run.code, 1);
        json = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(json.value(u"state").toString(), u"rebuilding"_qs);
        QCOMPARE(json.value(u"enclosures").toArray().at(0).toObject().value(u"rebuild_progress"),
                 QJsonValue(45));

        // The service gone: 2.
        _sim->kill();
        QVERIFY(waitUntil([&] { return monitor->state() == MonitorSnapshot::State::NoService; },
                          20000));
        run = runMonitor(asJson, env);
        QCOMPARE(run.code, 2);
        QCOMPARE(QJsonDocument::fromJson(run.out.toUtf8()).object().value(u"state").toString(),
                 u"no-service"_qs);

        // No monitor: 3, and nothing on standard output.
        monitor.reset();
        run = runMonitor(asJson, env);
        QCOMPARE(run.code, 3);
        QVERIFY(run.out.isEmpty());
    }
};

TAMRO_TEST_MAIN(TestInstance)
#include "test_instance.moc"
