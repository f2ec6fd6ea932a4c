// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/guishell.h"

#include "platform/logging.h"
#include "platform/modalgate.h"
#include "presentation/statuspresentation.h"
#include "resourcepaths.h"
#include "settings/eventlogactions.h"
#include "ui/logwindow.h"
#include "ui/modalanswers.h"
#include "ui/panels.h"
#include "ui/settingswindow.h"
#include "ui/statuswindow.h"
#include "util/plaintext.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QIconEngine>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPixmapCache>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

#include <utility>

namespace {

// Where a tray's appearance cannot be watched, the shell looks this often.
constexpr int kDefaultTrayPollMs = 60000;

// The name a tray host (the StatusNotifierWatcher) takes on the session bus.
const char kTrayHostName[] = "org.kde.StatusNotifierWatcher";

// A status icon whose pictures are decoded when drawn, at the one size asked for, and not
// kept: QIcon::addFile decodes and keeps every size at once (100 KiB for the seven sizes of
// one state), for a window icon that the offscreen and many tray platforms never draw.
class StatusIconEngine : public QIconEngine
{
public:
    explicit StatusIconEngine(int status) : _status(status) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        const int side = std::max(size.width(), size.height());
        QPixmap picture(tamro::res::statusIconPath(_status, side));
        if (picture.isNull())
            return picture;
        if (picture.size() != size)
            picture = picture.scaled(size.boundedTo(picture.size()), Qt::KeepAspectRatio,
                                     Qt::SmoothTransformation);
        if (mode != QIcon::Normal) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        return picture;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const QPixmap picture = pixmap(rect.size(), mode, state);
        QRect target(QPoint(), picture.size());
        target.moveCenter(rect.center());
        painter->drawPixmap(target, picture);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = tamro::res::iconSizeFor(std::max(size.width(), size.height()));
        return size.boundedTo(QSize(side, side));
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int size : tamro::res::kIconSizes)
            sizes.append(QSize(size, size));
        return sizes;
    }

    QIconEngine* clone() const override { return new StatusIconEngine(_status); }
    QString key() const override { return QStringLiteral("tamro-status"); }

private:
    int _status;
};

// Shows a non-modal window centred on its screen, in front.
void orderFront(QWidget* window, bool makeKey)
{
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    if (const QScreen* screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->show();
    window->raise();
    if (makeKey)
        window->activateWindow();
}

} // namespace

GuiShell::GuiShell(QObject* parent) : QObject(parent) {}

GuiShell::~GuiShell()
{
    detach();
}

void GuiShell::attach(Wiring wiring)
{
    _wiring = std::move(wiring);
    _attached = true;
    _statusWindow = std::make_unique<StatusWindow>(_wiring.status, *_wiring.display);
    buildMenu();
}

void GuiShell::detach()
{
    delete _settingsWindow;
    delete _logWindow;
    if (_tray)
        _tray->hide();
    delete _tray;
    _tray = nullptr;
    _menu.reset();
    _statusWindow.reset();
    _wiring = Wiring();
    _attached = false;
}

void GuiShell::buildMenu()
{
    _menu = std::make_unique<QMenu>();
    _menu->setObjectName(QStringLiteral("sbMenu"));
    // Each item runs one of the calls attached, while they are; plain lambdas rather than
    // member-function pointers keep the call simple for the sanitizers and the reader.
    const auto add = [this](const char* textId, const char* name, void (*action)(const Wiring&)) {
        QAction* item = _menu->addAction(qtTrId(textId));
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, [this, action] {
            if (_attached)
                action(_wiring);
        });
        return item;
    };
    add("UI_MenuStatus", "sbMenu_Status",
        [](const Wiring& w) { w.status.presentation->w0_OrderFront(); });
    add("UI_MenuLog", "sbMenu_Log", [](const Wiring& w) { w.status.showLog(); });
    add("UI_MenuSettings", "sbMenu_Settings", [](const Wiring& w) { w.status.showSettings(); });
    _menu->addSeparator();
    add("UI_MenuHelp", "sbMenu_Help", [](const Wiring& w) { w.status.showHelp(); });
    _menu->addSeparator();
    add("UI_MenuQuit", "sbMenu_Quit", [](const Wiring& w) { w.status.quit(); });
}

void GuiShell::launch()
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        moveToTray();
        return;
    }
    if (_statusWindow) {
        _statusWindow->setTrayCommandsVisible(true);
        _statusWindow->setMinimizeOnClose(true);
        _statusWindow->orderFront();
    }
    watchForTray();
}

void GuiShell::setTrayPollInterval(int ms)
{
    if (!_trayPoll) {
        _trayPoll = new QTimer(this);
        connect(_trayPoll, &QTimer::timeout, this, &GuiShell::pollTray);
    }
    _trayPoll->setInterval(ms);
}

void GuiShell::setSessionBus(const QDBusConnection& bus)
{
    _sessionBus = std::make_unique<QDBusConnection>(bus);
}

int GuiShell::trayPollInterval() const
{
    return _trayPoll && _trayPoll->isActive() ? _trayPoll->interval() : 0;
}

// Waits for a tray to appear: the tray host's name on the session bus is watched, so the
// process sleeps until the bus says something; only the X11 tray selection and a desktop
// without a session bus are looked at now and then.
void GuiShell::watchForTray()
{
    if (!_trayWatcher) {
        const QDBusConnection bus = _sessionBus ? *_sessionBus : QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            _trayWatcher = new QDBusServiceWatcher(QString::fromLatin1(kTrayHostName), bus,
                                                   QDBusServiceWatcher::WatchForRegistration, this);
            connect(_trayWatcher, &QDBusServiceWatcher::serviceRegistered, this,
                    &GuiShell::pollTray);
        }
    }
    if (_trayWatcher && QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    if (!_trayPoll)
        setTrayPollInterval(kDefaultTrayPollMs);
    _trayPoll->start();
}

void GuiShell::pollTray()
{
    ++_trayChecks;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (_trayPoll)
        _trayPoll->stop();
    if (_trayWatcher) {
        _trayWatcher->deleteLater(); // it may be the one calling
        _trayWatcher = nullptr;
    }
    moveToTray();
}

void GuiShell::moveToTray()
{
    if (!_tray) {
        _tray = new QSystemTrayIcon(statusIconImage(_statusIcon), this);
        _tray->setObjectName(QStringLiteral("_sbItem"));
        _tray->setContextMenu(_menu.get());
        _tray->setToolTip(trayToolTip());
        // A plain click opens the menu as well, as the status item of a menu bar does.
        connect(_tray, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger && _menu)
                        _menu->popup(QCursor::pos());
                });
    }
    _tray->show();
    if (_statusWindow) {
        _statusWindow->setTrayCommandsVisible(false);
        _statusWindow->setMinimizeOnClose(false);
    }
    qCInfo(lcMonitor, "tray icon shown");
}

bool GuiShell::isUsingTray() const
{
    return _tray && _tray->isVisible();
}

QIcon GuiShell::statusIconImage(int status) const
{
    return QIcon(new StatusIconEngine(status));
}

NoticePanel* GuiShell::noticePanel()
{
    if (!_noticePanel)
        _noticePanel = std::make_unique<NoticePanel>();
    return _noticePanel.get();
}

QuitPanel* GuiShell::quitPanel()
{
    if (!_quitPanel)
        _quitPanel = std::make_unique<QuitPanel>();
    return _quitPanel.get();
}

PasswordPanel* GuiShell::passwordPanel()
{
    if (!_passwordPanel)
        _passwordPanel = std::make_unique<PasswordPanel>();
    return _passwordPanel.get();
}

SettingsWindow* GuiShell::settingsWindow() const
{
    return _settingsWindow;
}

LogWindow* GuiShell::logWindow() const
{
    return _logWindow;
}

// --- StatusPresenter

void GuiShell::setStatusIcon(int status)
{
    if (status < 0 || status >= tamro::res::kStatusIconCount)
        return;
    _statusIcon = status;
    const QIcon icon = statusIconImage(status);
    if (_tray)
        _tray->setIcon(icon);
    if (_statusWindow)
        _statusWindow->setWindowIcon(icon);
}

void GuiShell::showStatus(const StatusDisplay& display)
{
    if (!_pixmapCacheOff) {
        // From the first status on, no pixmap cache. Qt keeps what the style draws (frames,
        // bars, buttons) and the pictures read from files there, and empties it by a timer
        // that wakes the idle program every 10 to 30 s for as long as anything is left in it:
        // minutes after each repaint. The windows are small and repainted rarely; drawing them
        // afresh costs less than those wake-ups. The first frames, on the way to the first
        // command, still use it.
        _pixmapCacheOff = true;
        QPixmapCache::setCacheLimit(0);
        QPixmapCache::clear();
    }
    if (_statusWindow)
        _statusWindow->showStatus(display);
}

void GuiShell::deviceListReloaded(int selectedRow)
{
    if (_statusWindow)
        _statusWindow->selectRow(selectedRow);
}

void GuiShell::notify(NoticeKind kind, const QString& title, const QString& text)
{
    // The desktop's notification server reads markup in the body: the device name in it is
    // the user's text.
    const QString body = text.toHtmlEscaped();
    _lastNotification = title + QLatin1String(": ") + body;
    if (!isUsingTray() || !QSystemTrayIcon::supportsMessages())
        return;
    // A problem with the critical icon, which the desktop's notification server shows with
    // critical urgency.
    _tray->showMessage(title, body,
                       kind == NoticeKind::Problem ? QSystemTrayIcon::Critical
                                                   : QSystemTrayIcon::Information);
}

void GuiShell::setSummary(const QString& text)
{
    _summary = text;
    if (_tray)
        _tray->setToolTip(trayToolTip());
}

QString GuiShell::trayToolTip() const
{
    return plainTextAsRichText(_summary);
}

// --- ModalPresenter

void GuiShell::alert(const QString& message, bool critical)
{
    if (ModalAnswers::instance().take(ModalAnswers::Kind::Alert, message))
        return;
    QMessageBox box(critical ? QMessageBox::Critical : QMessageBox::Warning, qtTrId("MSG_Title"),
                    message, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("alert"));
    box.setTextFormat(Qt::PlainText);
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.setDefaultButton(QMessageBox::Ok);
    ModalScope scope;
    box.exec();
}

void GuiShell::displayPanel(const QString& text)
{
    if (ModalAnswers::instance().take(ModalAnswers::Kind::Notice, text))
        return;
    noticePanel()->run(text);
}

int GuiShell::runQuitPanel(const QString& text)
{
    if (const auto answer = ModalAnswers::instance().take(ModalAnswers::Kind::Quit, text))
        return answer->code;
    return quitPanel()->run(text);
}

std::optional<QString> GuiShell::runPasswordPanel(const QString& status)
{
    if (const auto answer = ModalAnswers::instance().take(ModalAnswers::Kind::Password, status)) {
        if (answer->code == 0)
            return std::nullopt;
        return answer->text;
    }
    return passwordPanel()->run(status);
}

namespace {

// A file or folder dialog: a queued answer of that kind, else the dialog itself; nothing when
// it was cancelled.
std::optional<QString> runPathDialog(ModalAnswers::Kind kind, const QString& startPath,
                                     QString (*dialog)(QWidget*, const QString&, const QString&))
{
    if (const auto answer = ModalAnswers::instance().take(kind, startPath)) {
        if (answer->code == 0 || answer->text.isEmpty())
            return std::nullopt;
        return answer->text;
    }
    QString path;
    {
        ModalScope scope;
        path = dialog(nullptr, qtTrId("MSG_Title"), startPath);
    }
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

QString saveFileName(QWidget* parent, const QString& caption, const QString& start)
{
    return QFileDialog::getSaveFileName(parent, caption, start);
}

QString openFileName(QWidget* parent, const QString& caption, const QString& start)
{
    return QFileDialog::getOpenFileName(parent, caption, start);
}

QString existingFolder(QWidget* parent, const QString& caption, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

} // namespace

std::optional<QString> GuiShell::runSaveDialog(const QString& startPath)
{
    return runPathDialog(ModalAnswers::Kind::Save, startPath, saveFileName);
}

std::optional<QString> GuiShell::runOpenDialog(const QString& startPath)
{
    return runPathDialog(ModalAnswers::Kind::Open, startPath, openFileName);
}

// Answered like the file dialog: a queued answer names the folder chosen.
std::optional<QString> GuiShell::runFolderDialog(const QString& startPath)
{
    return runPathDialog(ModalAnswers::Kind::Open, startPath, existingFolder);
}

// --- WindowPresenter

void GuiShell::showStatusWindow()
{
    if (_statusWindow)
        _statusWindow->orderFront();
}

void GuiShell::closeStatusWindow()
{
    if (_statusWindow)
        _statusWindow->close();
}

void GuiShell::showSettingsWindow()
{
    if (!_attached)
        return;
    if (!_settingsWindow)
        _settingsWindow = new SettingsWindow(_wiring.settings);
    orderFront(_settingsWindow, true);
}

void GuiShell::closeSettingsWindow()
{
    if (_settingsWindow)
        _settingsWindow->close();
}

void GuiShell::commitSettingsEditing()
{
    if (_settingsWindow)
        _settingsWindow->commitEditing();
}

void GuiShell::showLogWindow()
{
    if (!_attached)
        return;
    if (!_logWindow)
        _logWindow = new LogWindow(_wiring.log, *_wiring.logActions, *_wiring.status.presentation);
    orderFront(_logWindow, false);
}

void GuiShell::closeLogWindow()
{
    if (_logWindow)
        _logWindow->close();
}

// --- SystemPort

void GuiShell::terminate()
{
    // After the current event, so the caller's work (a panel's action) finishes first.
    // exit() rather than quit(): quit() first asks every window to close, and the status
    // window refuses when there is no tray to fall back to.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

bool GuiShell::openWithDefaultApplication(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
