// Entry: the application, the string table, the desktop shell and the one controller.
#include "app/appcontroller.h"
#include "app/logging.h"
#include "platform/keychainstore.h"
#include "ui/guishell.h"
#include "ui/translations.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QTimer>

#include <cmath>

namespace {

// Test hooks only: another service port, and all delays scaled by a factor.
void applyTestOverrides(ControllerConfig& config)
{
    bool ok = false;
    const int port = qEnvironmentVariableIntValue("TAMRO_SERVICE_PORT", &ok);
    if (ok && port > 0 && port <= 65535)
        config.servicePort = quint16(port);

    const double scale = qEnvironmentVariable("TAMRO_TIMING_SCALE").toDouble(&ok);
    if (ok && scale > 0.0 && std::isfinite(scale)) {
        ControllerTiming& t = config.timing;
        for (int* ms : {&t.rescanMs, &t.loginMs, &t.refetchMs, &t.handOffIdleMs, &t.handOffBusyMs,
                        &t.answerMs, &t.unfinishedMs, &t.mailTimeoutMs, &t.sudoTimeoutMs})
            *ms = int(std::lround(std::min(double(*ms) * scale, 2.0e9)));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TAMRO"));
    QApplication::setApplicationName(QStringLiteral("TAMRO RAID MONITOR"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Say what the program is doing on the terminal, unless the user chose otherwise.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("tamro.monitor.info=true"));
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
    applyTestOverrides(config);

    AppController controller(config);
    shell.attach(controller);
    if (!controller.init()) {
        // The alert was shown and termination requested: let the loop end the program.
        QTimer::singleShot(0, &app, [] { QCoreApplication::exit(1); });
        app.exec();
        shell.detach();
        return 1;
    }
    qCInfo(lcMonitor, "connecting to 127.0.0.1:%d", int(config.servicePort));
    controller.applicationDidFinishLaunching();
    shell.launch();
    const int code = app.exec();
    shell.detach();
    return code;
}
