// SPDX-License-Identifier: GPL-3.0-or-later
// Entry: the command line; then either one request to the running monitor, or the
// application, the string table, the desktop shell and the one controller.
#include "app/appcontroller.h"
#include "app/commandline.h"
#include "app/guiwiring.h"
#include "bus/monitorinstance.h"
#include "bus/monitorlink.h"
#include "keychain/keychainstore.h"
#include "metrics/metricspreferences.h"
#include "platform/logging.h"
#include "presentation/devicelistmodel.h"
#include "presentation/statuspresentation.h"
#include "settings/eventlogactions.h"
#include "ui/guishell.h"
#include "ui/modalanswers.h"
#include "ui/translations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <utility>

namespace {

// A second start waits this long for the running monitor to take its request.
constexpr int kShowTimeoutMs = 900;
constexpr int kRequestTimeoutMs = 3000;
// --status when no monitor runs.
constexpr int kNoMonitor = 3;

// Development hooks, not options for users (README.md, Development, lists them):
// TAMRO_SERVICE_PORT, another service port; TAMRO_TIMING_SCALE, all delays scaled by a
// factor; TAMRO_REMINDER_HOUR_MS, the length of an hour of reminders.
void applyDevelopmentOverrides(ControllerConfig& config)
{
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("TAMRO_SERVICE_PORT", &ok);
    if (ok && port > 0 && port <= 65535)
        config.servicePort = quint16(port);

    const double scale = qEnvironmentVariable("TAMRO_TIMING_SCALE").toDouble(&ok);
    if (ok && scale > 0.0 && std::isfinite(scale)) {
        ControllerTiming& t = config.timing;
        for (int* ms : {&t.rescanMs, &t.loginMs, &t.refetchMs, &t.handOffIdleMs, &t.handOffBusyMs,
                        &t.answerMs, &t.unfinishedMs, &t.mailTimeoutMs, &t.sudoTimeoutMs,
                        &t.reminderHourMs, &t.flapWindowMs, &t.webhookTimeoutMs})
            *ms = int(std::lround(std::min(double(*ms) * scale, 2.0e9)));
    }

    const int hourMs = qEnvironmentVariableIntValue("TAMRO_REMINDER_HOUR_MS", &ok);
    if (ok && hourMs > 0)
        config.timing.reminderHourMs = hourMs;
}

void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("TAMRO"));
    QCoreApplication::setApplicationName(QStringLiteral("TAMRO RAID MONITOR"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAMRO_VERSION));
}

void say(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Ends a process that only sent a request. Qt's D-Bus thread may still be dispatching the
// bus's greeting while the static destructors run, and then warns about types it no longer
// knows; such a process has nothing to save or close, so it ends at once.
[[noreturn]] void endRequest(int code)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

// --status, --rescan and --show.
int askRunningMonitor(monitorlink::Request request, bool json)
{
    const monitorlink::Reply reply = monitorlink::send(request, kRequestTimeoutMs);
    if (!reply.reached) {
        say(stderr, reply.error.isEmpty()
                        ? QStringLiteral("tamro-raid-monitor: no monitor is running\n")
                        : QStringLiteral("tamro-raid-monitor: no monitor could be reached (%1)\n")
                              .arg(reply.error));
        return kNoMonitor;
    }
    if (request != monitorlink::Request::Status)
        return 0;

    const auto snapshot =
        MonitorSnapshot::fromJson(QJsonDocument::fromJson(reply.text.toUtf8()).object());
    if (!snapshot) {
        say(stderr, QStringLiteral("tamro-raid-monitor: the monitor's answer could not be read\n"));
        return 1;
    }
    say(stdout, json ? reply.text + u'\n' : snapshot->table());
    return snapshot->exitCode();
}

// --help, --version, a command line that cannot be used, and the requests to the running
// monitor. None of them needs a display.
int runCommand(int& argc, char** argv, QCommandLineParser& parser, const CommandLine& line)
{
    QCoreApplication app(argc, argv);
    setApplicationNames();
    using Action = CommandLine::Action;
    switch (line.action) {
    case Action::Help:
        say(stdout, parser.helpText());
        return 0;
    case Action::Version:
        say(stdout, CommandLine::versionText() + u'\n');
        return 0;
    case Action::Error:
        say(stderr, QStringLiteral("tamro-raid-monitor: %1 (see --help)\n").arg(line.error));
        return CommandLine::kUsageError;
    case Action::Run:
        return CommandLine::kUsageError; // not a request
    case Action::Status:
    case Action::Rescan:
    case Action::Show:
        break;
    }

    const auto request = line.action == Action::Status   ? monitorlink::Request::Status
                         : line.action == Action::Rescan ? monitorlink::Request::Rescan
                                                         : monitorlink::Request::Show;
    endRequest(askRunningMonitor(request, line.json));
}

// A second start: the running monitor shows its status window; this process ends with 0.
int showRunningMonitor()
{
    const monitorlink::Reply reply = monitorlink::send(monitorlink::Request::Show, kShowTimeoutMs);
    say(stderr, reply.reached
                    ? QStringLiteral("TAMRO RAID MONITOR is running already; it shows its status "
                                     "window.\n")
                    : QStringLiteral("TAMRO RAID MONITOR is running already, but did not answer "
                                     "(%1).\n")
                          .arg(reply.error.isEmpty() ? monitorlink::lockPath() : reply.error));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const CommandLine line = CommandLine::parse(parser, arguments);
    if (line.action != CommandLine::Action::Run)
        return runCommand(argc, argv, parser, line);

    // One monitor per user: a second start shows the first one's status window and ends,
    // without opening a display when the lock already tells.
    MonitorInstance instance;
    if (instance.claimLock() == MonitorInstance::Claim::Secondary) {
        QCoreApplication app(argc, argv);
        endRequest(showRunningMonitor());
    }

    // Names and texts from the service reach standard error with every line.
    installVisibleMessages();
    // Headless: no display is used, whatever the environment names.
    if (line.headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setApplicationNames();
    // Desktops (Wayland in particular) find the program's name and icon for its windows
    // through the menu entry it installs.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tamro.RaidMonitor"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Say what the program is doing on the terminal, unless the user chose otherwise.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("tamro.monitor.info=true"));
    if (instance.claimRest() == MonitorInstance::Claim::Secondary)
        endRequest(showRunningMonitor());
    // Nobody can click a panel: each is answered at once and written to the terminal.
    ModalAnswers::instance().setAutoAnswer(line.headless);
    installTranslations(app);

    GuiShell shell;
    // The SMTP password goes to the desktop's keyring when one answers on the session bus.
    KeychainSecretStore keyring(QApplication::applicationName());
    ControllerConfig config;
    config.secrets = &keyring;
    config.status = &shell;
    config.modal = &shell;
    config.windows = &shell;
    config.system = &shell;
    applyDevelopmentOverrides(config);

    AppController controller(config);
    shell.attach(shellWiring(controller));
    if (!controller.init()) {
        // The alert was shown and termination requested: let the loop end the program.
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(1); });
        app.exec();
        shell.detach();
        return 1;
    }
    attachInstance(instance, controller);
    qCInfo(lcMonitor, "connecting to 127.0.0.1:%d", int(config.servicePort));
    controller.applicationDidFinishLaunching();
    shell.launch();
    const int code = app.exec();
    instance.detach();
    shell.detach();
    return code;
}
