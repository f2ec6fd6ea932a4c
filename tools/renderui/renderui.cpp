// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the status window in its typical states, the panels, the tray menu, the settings
// and log windows (each page of their tabs too) into PNG files, one folder per language: every
// language of the program and the pseudo-locale. It feeds the controller the storage service's
// own answers and lets the evaluation pass fill the window, so the pictures show what the
// program shows, at the size it opens each window at. Each window is also checked for text
// that does not fit or that no font can draw (textfit.h); the findings go to
// <folder>/<language>/cut-texts.txt, empty when all text fits, and to standard error.
// It never touches the user's settings (a temporary home) and never connects anywhere.
//
// Usage: tamro-render-ui [output folder]    (default: <build>/ui-renders)
#include "app/appcontroller.h"
#include "app/guiwiring.h"
#include "metrics/metricspreferences.h"
#include "presentation/devicelistmodel.h"
#include "presentation/statuspresentation.h"
#include "settings/defaultsstore.h"
#include "settings/eventlogactions.h"
#include "tools/renderui/raiddocument.h"
#include "tools/renderui/textfit.h"
#include "ui/guishell.h"
#include "ui/modalanswers.h"
#include "ui/panels.h"
#include "ui/renderwindows.h"
#include "ui/statuswindow.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMenu>
#include <QPixmap>
#include <QSaveFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

// Every language of the program, and the pseudo-locale.
constexpr const char* kLanguages[] = {"en", "de", "fr", "es", "ja", "zh_CN", "pseudo"};

struct Scenario
{
    const char* file;
    QList<raiddoc::Enclosure> enclosures;
};

raiddoc::Enclosure enclosure(const QString& serial)
{
    raiddoc::Enclosure e;
    e.serial = serial;
    e.mode = 1;
    e.friendlyMode = QStringLiteral("RAID 1");
    e.drives = {raiddoc::drive(QStringLiteral("ST3500418AS"), QStringLiteral("465.76"),
                               QStringLiteral("465.76")),
                raiddoc::drive(QStringLiteral("WDC WD5000AAKS"), QStringLiteral("465.76"),
                               QStringLiteral("931.51"))};
    return e;
}

QList<Scenario> scenarios()
{
    raiddoc::Enclosure missing = enclosure(QStringLiteral("20071"));
    missing.drives[1] = raiddoc::drive(QString(), QString(), QString(), 0, QString(), false);

    raiddoc::Enclosure failed = enclosure(QStringLiteral("20073"));
    failed.drives[1].drive.insert(QStringLiteral("Failed"), QStringLiteral("1"));

    raiddoc::Enclosure rebuilding = enclosure(QStringLiteral("20072"));
    rebuilding.rebuildStatus = QStringLiteral("Rebuilding");
    rebuilding.drives[1] =
        raiddoc::drive(QStringLiteral("WDC WD5000AAKS"), QStringLiteral("465.76"),
                       QStringLiteral("931.51"), 1, QStringLiteral("37.2"));

    return {
        {"status-healthy.png",
         {enclosure(QStringLiteral("20070")), enclosure(QStringLiteral("31337"))}},
        {"status-drive-missing.png", {missing}},
        {"status-drive-failed.png", {failed}},
        {"status-rebuilding.png", {rebuilding}},
        {"status-no-enclosure.png", {}},
    };
}

bool savePicture(QWidget& widget, const QString& path)
{
    const QPixmap picture = widget.grab();
    if (picture.isNull() || !picture.save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Texts that do not fit, per window, for one language.
struct FitReport
{
    QStringList lines;

    void check(QWidget& window, const QString& name)
    {
        for (const QString& problem : findCutTexts(window))
            lines << name + QStringLiteral(": ") + problem;
    }
};

// Shows the widget at the size the program shows it at (its form's size, grown to what its
// layout needs), checks its texts and saves a picture of it.
bool save(QWidget& widget, const QString& path, FitReport& report)
{
    widget.setAttribute(Qt::WA_DontShowOnScreen, true);
    widget.ensurePolished();
    if (!widget.isVisible())
        widget.show();
    QCoreApplication::processEvents();
    report.check(widget, QFileInfo(path).completeBaseName());
    return savePicture(widget, path);
}

// A picture of every page of each tab widget but the one shown: <name>-<tabs>-<page>.png.
bool saveTabPages(QWidget& window, const QString& dir, const QString& name)
{
    bool ok = true;
    const auto tabWidgets = window.findChildren<QTabWidget*>();
    for (QTabWidget* tabs : tabWidgets) {
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            if (i == current || !tabs->isVisibleTo(&window))
                continue;
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            ok = savePicture(window, QStringLiteral("%1/%2-%3-%4.png")
                                         .arg(dir, name, tabs->objectName())
                                         .arg(i + 1)) &&
                 ok;
        }
        tabs->setCurrentIndex(current);
    }
    return ok;
}

// A controller with its shell, on a private store, that never connects.
struct Stage
{
    explicit Stage(const QString& storePath) : store(storePath)
    {
        ControllerConfig config;
        config.status = &shell;
        config.modal = &shell;
        config.windows = &shell;
        config.system = &shell;
        config.store = &store;
        config.servicePort = 1;
        config.timing.handOffIdleMs = 0;
        config.timing.handOffBusyMs = 10;
        config.timing.rescanMs = 3600000;
        config.timing.loginMs = 3600000;
        controller = std::make_unique<AppController>(config);
        shell.attach(shellWiring(*controller));
        controller->init();
    }

    ~Stage() { shell.detach(); }

    // Hands an answer to the client and waits for the evaluation pass it causes.
    void feed(const QByteArray& answer)
    {
        QEventLoop loop;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(controller.get(), &AppController::passFinished, &loop, &QEventLoop::quit);
        guard.start(3000);
        controller->client().handleReadBytes(answer);
        loop.exec();
    }

    DefaultsStore store;
    GuiShell shell;
    std::unique_ptr<AppController> controller;
};

bool renderLanguage(const QString& dir, QTemporaryDir& home)
{
    bool ok = QDir().mkpath(dir);
    FitReport report;
    int n = 0;
    for (const Scenario& s : scenarios()) {
        Stage stage(home.filePath(QStringLiteral("store-%1.ini").arg(++n)));
        stage.feed(raiddoc::configAnswer(s.enclosures));
        StatusWindow* window = stage.shell.statusWindow();
        // With the tray's commands, as on a desktop without a tray: the widest form.
        window->setTrayCommandsVisible(true);
        ok = save(*window, dir + QLatin1Char('/') + QLatin1String(s.file), report) && ok;
        window->hide();
    }

    Stage stage(home.filePath(QStringLiteral("store-panels.ini")));
    NoticePanel* notice = stage.shell.noticePanel();
    // The notice of a problem, as the evaluation pass words it.
    notice->prepare(QStringLiteral("DeviceName:20071\n%1%2")
                        .arg(qtTrId("MSG_DiskInfo2"), qtTrId("MSG_DiskCheck")));
    ok = save(*notice, dir + QStringLiteral("/panel-notice.png"), report) && ok;
    notice->hide();

    QuitPanel* quit = stage.shell.quitPanel();
    quit->prepare(qtTrId("MSG_QuitMessage"));
    ok = save(*quit, dir + QStringLiteral("/panel-quit.png"), report) && ok;
    quit->hide();

    PasswordPanel* password = stage.shell.passwordPanel();
    password->prepare(qtTrId("MSG_EnterPassword1"));
    ok = save(*password, dir + QStringLiteral("/panel-password.png"), report) && ok;
    password->hide();

    QMenu* menu = stage.shell.statusMenu();
    menu->ensurePolished();
    menu->resize(menu->sizeHint());
    ok = save(*menu, dir + QStringLiteral("/tray-menu.png"), report) && ok;
    menu->hide();

    renderSettingsWindows(sampleWindows(*stage.controller), dir,
                          [&](QWidget& window, const QString& name) {
                              report.check(window, name);
                              ok = saveTabPages(window, dir, name) && ok;
                          });

    QSaveFile file(dir + QStringLiteral("/cut-texts.txt"));
    if (file.open(QIODevice::WriteOnly)) {
        for (const QString& line : std::as_const(report.lines))
            file.write(line.toUtf8() + '\n');
    }
    ok = file.commit() && ok;
    for (const QString& line : std::as_const(report.lines))
        std::fprintf(stderr, "text cut (%s): %s\n", qPrintable(QFileInfo(dir).fileName()),
                     qPrintable(line));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    // A private home, so no setting, log or autostart entry of the user is read or written.
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tamro-render-XXXXXX"));
    const QByteArray root = home.path().toLocal8Bit();
    for (const char* sub : {".config", ".local/share", ".cache"})
        QDir().mkpath(QString::fromLocal8Bit(root + '/' + sub));
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CACHE_HOME", root + "/.cache");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("TAMRO"));
    QApplication::setApplicationName(QStringLiteral("TAMRO RAID MONITOR"));
    QApplication::setQuitOnLastWindowClosed(false);
    // No panel may wait for a click here.
    ModalAnswers::instance().setAutoAnswer(true);

    const QStringList args = QCoreApplication::arguments();
    const QString out = args.size() > 1 ? args.at(1) : QStringLiteral(TAMRO_RENDER_DIR);
    bool ok = true;
    for (const char* language : kLanguages) {
        if (!installLanguage(app, QString::fromLatin1(language))) {
            std::fprintf(stderr, "no string table for %s\n", language);
            ok = false;
            continue;
        }
        ok = renderLanguage(out + QLatin1Char('/') + QLatin1String(language), home) && ok;
    }
    return ok ? 0 : 1;
}
