// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's spine: creation and the version gate, launch, the refetch timers, the
// retries after a lost connection, quitting, help, and the status icon and tray summary.
#include "app/appcontroller.h"

#include "actions/shutdown.h"
#include "alerts/mailchannel.h"
#include "alerts/noticechannels.h"
#include "alerts/webhookchannel.h"
#include "metrics/metricsexporter.h"
#include "platform/logging.h"
#include "platform/modalgate.h"
#include "presentation/devicelistmodel.h"
#include "presentation/statuspresentation.h"
#include "resources/resourcepaths.h"
#include "settings/defaultsstore.h"
#include "settings/eventlogactions.h"
#include "settings/logtablemodel.h"
#include "util/intvalue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cmath>
#include <optional>

namespace {

// Stand-ins for the presenters a program or test leaves out.
class NullModalPresenter : public ModalPresenter
{
public:
    void alert(const QString&, bool) override {}
    void displayPanel(const QString&) override {}
    int runQuitPanel(const QString&) override { return 0; }
    std::optional<QString> runPasswordPanel(const QString&) override { return std::nullopt; }
    std::optional<QString> runSaveDialog(const QString&) override { return std::nullopt; }
};

class NullWindowPresenter : public WindowPresenter
{
public:
    void showStatusWindow() override {}
    void closeStatusWindow() override {}
    void showSettingsWindow() override {}
    void closeSettingsWindow() override {}
    void commitSettingsEditing() override {}
    void showLogWindow() override {}
    void closeLogWindow() override {}
};

class NullSystemPort : public SystemPort
{
public:
    void terminate() override {}
    bool openWithDefaultApplication(const QString&) override { return false; }
};

NullModalPresenter nullModal;
NullWindowPresenter nullWindows;
NullSystemPort nullSystem;

// " 45%": the progress of the drive being rebuilt (drive 1 wins when both are), or empty
// when neither drive reports a rebuild.
QString rebuildProgressText(const ParseRaidInfo& client, int index)
{
    std::optional<double> progress;
    for (const AttrRecord& drive : {client.drive0Dict(index), client.drive1Dict(index)}) {
        const int state = intValue(drive.value(QStringLiteral("Status")));
        if (state == 1 || state == 2)
            progress = drive.value(QStringLiteral("RebuildProgress")).toDouble();
    }
    // The service's text may hold anything: a value that is no number shows no progress, and
    // one outside 0..100 is held to that range before it is rounded to a whole percent.
    if (!progress || std::isnan(*progress))
        return {};
    return QStringLiteral(" %1%").arg(qRound(qBound(0.0, *progress, 100.0)));
}

} // namespace

AppController::AppController(const ControllerConfig& config, QObject* parent)
    : QObject(parent), _config(config)
{
    _status = config.status ? config.status : &_nullStatus;
    _modal = config.modal ? config.modal : &nullModal;
    _windows = config.windows ? config.windows : &nullWindows;
    _system = config.system ? config.system : &nullSystem;
    if (config.store) {
        _store = config.store;
    } else {
        _ownedStore = std::make_unique<DefaultsStore>();
        _store = _ownedStore.get();
    }
    _preferences = std::make_unique<Preferences>(Preferences::Wiring{
        *_store, _form, _flags, _nameDict,
        config.secrets ? *config.secrets : static_cast<SecretStore&>(_noSecrets), _modal, _windows,
        config.executablePath});
    makeClient();
    StatusPresentation::Setup presentationSetup;
    presentationSetup.client = _raidInfo.get();
    presentationSetup.status = _status;
    presentationSetup.modal = _modal;
    presentationSetup.windows = _windows;
    presentationSetup.store = _store;
    presentationSetup.errorType = [this](int i) {
        return i >= 0 && i < kSlots ? int(_enclosures.at(i)._errorType) : 0;
    };
    presentationSetup.display = &_statusDisplay;
    presentationSetup.selectedIndex = &_selIdx;
    presentationSetup.targetNames = &_targetName;
    presentationSetup.nameDict = &_nameDict;
    presentationSetup.namesChanged = [this] { updateSummary(); };
    presentationSetup.rescanArmed = [this] { startTimerAtRescan(); };
    _presentation = std::make_unique<StatusPresentation>(std::move(presentationSetup));
    _shutdown = std::make_unique<ShutdownAction>(
        ShutdownAction::Setup{_modal, &_form, _config.sudoProgram, _config.timing.sudoTimeoutMs});
    _deviceListModel = new DeviceListModel(
        _targetName,
        [this](int row, const QString& name) { _presentation->renameDevice(row, name); }, this);
    _logTableModel = new LogTableModel(&_eventLog, this);
    EventLogActions::Setup logSetup;
    logSetup.log = &_eventLog;
    logSetup.form = &_form;
    logSetup.table = _logTableModel;
    logSetup.modal = _modal;
    logSetup.windows = _windows;
    logSetup.client = _raidInfo.get();
    logSetup.deviceName = [this](int index) { return deviceName(index); };
    logSetup.defaultLogPath = [] {
        return registeredDefaults().value(QStringLiteral("LogFilePath")).toString();
    };
    logSetup.written = [this](bool ok) { emit logWritten(ok); };
    _eventLogActions = std::make_unique<EventLogActions>(std::move(logSetup));
    _metrics = std::make_unique<MetricsExporter>([this] { return _snapshot; },
                                                 config.timing.metricsRefreshMs);
    connect(this, &AppController::snapshotChanged, _metrics.get(), &MetricsExporter::noteChange);
    connect(this, &AppController::passFinished, _metrics.get(), &MetricsExporter::notePass);
    _preferences->setMoreSettings([this] { loadMetricsSettings(); },
                                  [this] { showMetricsSettings(); },
                                  [this] { saveMetricsSettings(); });
    makeAlerts();
}

AppController::~AppController()
{
    // The client closes its connection as it goes; nothing it reports now may start a retry
    // or show an alert.
    _destroying = true;
    stopTimer();
    _raidInfo.reset();
}

void AppController::makeAlerts()
{
    AlertTiming timing;
    timing.hourMs = _config.timing.reminderHourMs;
    timing.flapWindowMs = _config.timing.flapWindowMs;
    _alerts = std::make_unique<AlertCenter>(timing);
    _alerts->setReminderHours(
        [this] { return _form.text(SettingsForm::Text::ReminderHours).toInt(); });
    const AlertOutcomeLog log = [this](const QString& message, const AlertEvent& event) {
        writeCSVFile(message, currentIndex(event));
    };
    MailChannel::Config mail;
    mail.toolPath = _config.mailToolPath;
    mail.timeoutMs = _config.timing.mailTimeoutMs;
    _desktopChannel = std::make_unique<DesktopNotificationChannel>(*_status, _flags);
    _mail = std::make_unique<MailChannel>(_form, _flags, mail, log, _windows);
    _panelChannel = std::make_unique<NoticePanelChannel>(*_modal, _flags);
    WebhookChannel::Config webhook;
    webhook.timeoutMs = _config.timing.webhookTimeoutMs;
    webhook.extraCaCertificates = _config.webhookCaCertificates;
    _webhook = std::make_unique<WebhookChannel>(_form, _flags, webhook, log, _windows);
    // The order the pass has always had: the notification, the mail (and its row), the
    // panel; the web request, which waits for nothing, goes out before the mail.
    _alerts->addChannel(_desktopChannel.get());
    _alerts->addChannel(_webhook.get());
    _alerts->addChannel(_mail.get());
    _alerts->addChannel(_panelChannel.get());
    connect(this, &AppController::passFinished, this, &AppController::reportProblemStates);
    // A new reminder interval takes effect at once.
    connect(&_form, &SettingsForm::textChanged, this, [this](SettingsForm::Text field) {
        if (field == SettingsForm::Text::ReminderHours)
            _alerts->checkReminders();
    });
}

AlertEvent AppController::enclosureEvent(AlertEvent::Kind kind, int index) const
{
    AlertEvent event;
    event.kind = kind;
    event.index = index;
    event.name = deviceName(index);
    event.plugText = localizedErrorString(index);
    if (index >= 0 && index < _raidInfo->getDeviceCount()) {
        event.serial = QString::number(_raidInfo->serialNumber(index));
        event.mode = _raidInfo->friendlyMode(index);
        event.plugInfo = _raidInfo->plugInfo(index);
    }
    return event;
}

int AppController::currentIndex(const AlertEvent& event) const
{
    if (event.serial.isEmpty())
        return event.isAboutEnclosure() ? event.index : -1;
    const int count = _raidInfo->getDeviceCount();
    const auto matches = [&](int i) {
        return i >= 0 && i < count && QString::number(_raidInfo->serialNumber(i)) == event.serial;
    };
    if (matches(event.index))
        return event.index;
    for (int i = 0; i < count; ++i) {
        if (matches(i))
            return i;
    }
    return -1;
}

void AppController::reportProblemStates()
{
    QSet<QString> problems;
    for (int i = 0; i < qMin(_raidInfo->getDeviceCount(), int(kSlots)); ++i) {
        if (_enclosures.at(i)._errorType != ErrorType::NoProblem)
            problems.insert(QString::number(_raidInfo->serialNumber(i)));
    }
    _alerts->setProblemEnclosures(problems);
}

void AppController::makeClient()
{
    _raidInfo = std::make_unique<ParseRaidInfo>(this);
    _raidInfo->setPort(_config.servicePort);
    _raidInfo->setHandOffIntervals(_config.timing.handOffIdleMs, _config.timing.handOffBusyMs);
    _raidInfo->setTimeouts(_config.timing.answerMs, _config.timing.unfinishedMs);
    connect(_raidInfo.get(), &ParseRaidInfo::connectionStateChanged, this,
            &AppController::onConnectionStateChanged);
}

bool AppController::init()
{
    if (!Misc::is_10_39_or_later_version(_config.versionQuery)) {
        _modal->alert(qtTrId("MSG_Version"), true);
        _system->terminate();
        return false;
    }
    _enclosures.fill(EnclosureState{});
    _rescanCount = 0;
    _selIdx = 0;
    _eventLog = EventLog();
    _targetName.clear();
    _nameDict.clear();
    // The client exists from construction on (so every accessor is safe); here it starts
    // afresh with the configuration command pending.
    _raidInfo->setCommand(ParseRaidInfo::kConfig);
    // Before anything reads a preference.
    _store->registerDefaults(registeredDefaults());
    return true;
}

void AppController::applicationDidFinishLaunching()
{
    setStatusIcon(StatusIcon::Waiting);
    qCInfo(lcMonitor, "icon: %s", iconWords(int(StatusIcon::Waiting)));
    updateSummary();
    _preferences->loadUserDefaults();
    _metrics->start();
    readCSVFile();
    qCInfo(lcMonitor, "launched: service port %d", int(_config.servicePort));
    _raidInfo->openStream();
}

void AppController::startTimerAtRescan()
{
    QTimer::singleShot(_config.timing.rescanMs, this,
                       [this] { ModalGate::instance().run(this, [this] { refetch(); }); });
}

void AppController::startTimerAtLogIn()
{
    QTimer::singleShot(_config.timing.loginMs, this,
                       [this] { ModalGate::instance().run(this, [this] { refetch(); }); });
}

void AppController::startTimer()
{
    stopTimer();
    auto* timer = new QTimer(this);
    timer->setInterval(_config.timing.refetchMs);
    timer->setSingleShot(false);
    connect(timer, &QTimer::timeout, this, [this] {
        // Firings that come while a modal panel is up are one refetch, not a pile of them.
        if (_refetchQueued)
            return;
        _refetchQueued = true;
        ModalGate::instance().run(this, [this] {
            _refetchQueued = false;
            refetch();
        });
    });
    timer->start();
    _reloadTimer = timer;
}

void AppController::stopTimer()
{
    if (!_reloadTimer)
        return;
    _reloadTimer->stop();
    _reloadTimer->deleteLater();
    _reloadTimer = nullptr;
}

bool AppController::isRefetchTimerActive() const
{
    return _reloadTimer && _reloadTimer->isActive();
}

void AppController::refetch()
{
    if (_raidInfo->getCommand() == ParseRaidInfo::kIdle)
        _raidInfo->setCommand(ParseRaidInfo::kConfig);
    _raidInfo->openStream();
}

void AppController::errorOccurredStreamEvent()
{
    if (_destroying)
        return;
    // Without a connection the state of the enclosures is unknown: never show "all well".
    qCInfo(lcMonitor, "connection lost");
    _connectionLost = true;
    setStatusIcon(StatusIcon::Problem);
    if (_flags._isAddLoginItem && _rescanCount <= kMaxRetries - 1) {
        startTimerAtLogIn();
        ++_rescanCount;
        qCInfo(lcMonitor, "retry %d of %d", _rescanCount, kMaxRetries);
        updateSummary();
        return;
    }
    _raidInfo->setCommand(ParseRaidInfo::kIdle);
    setStatusIcon(StatusIcon::Problem);
    qCInfo(lcMonitor, "retries given up");
    // Mail and push go out before the alert waits for someone at the desk.
    AlertEvent unreachable;
    unreachable.kind = AlertEvent::Kind::ServiceUnreachable;
    _alerts->publish(unreachable);
    // The hourly refetch keeps trying, however long the service stays away.
    if (!isRefetchTimerActive())
        startTimer();
    updateSummary();
    _modal->alert(qtTrId("MSG_ErrorMessage2"), false);
}

void AppController::onConnectionStateChanged(bool connected)
{
    if (!connected)
        return;
    // The icon stays as it is until the next pass says how the enclosures are.
    _connectionLost = false;
    qCInfo(lcMonitor, "connected");
}

void AppController::terminateApp()
{
    if (_modal->runQuitPanel(qtTrId("MSG_QuitMessage")) == 1)
        _system->terminate();
}

QString AppController::helpFilePath() const
{
    const QString localizedName = qtTrId("MSG_HelpFileName");
    QStringList candidates;
    if (!_config.helpFolder.isEmpty()) {
        candidates << QDir(_config.helpFolder).filePath(tamro::res::helpFileName(localizedName));
    } else {
        candidates = tamro::res::helpFileCandidates(QCoreApplication::applicationDirPath(), {},
                                                    localizedName);
    }
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

void AppController::showHelp()
{
    const QString path = helpFilePath();
    if (path.isEmpty())
        return;
    _system->openWithDefaultApplication(path);
}

void AppController::displayRaidInfo(int index)
{
    _presentation->displayRaidInfo(index);
}

QString AppController::localizedErrorString(int index) const
{
    return _presentation->localizedErrorString(index);
}

QString AppController::deviceName(int index) const
{
    return _presentation->deviceName(index);
}

void AppController::displayPanel(const QString& text)
{
    _presentation->displayPanel(text);
}

void AppController::readCSVFile()
{
    _eventLogActions->readCSVFile();
}

void AppController::writeCSVFile(const QString& message, int index)
{
    _eventLogActions->writeCSVFile(message, index);
}

void AppController::w1_GetRootPassword()
{
    _shutdown->w1_GetRootPassword();
}

void AppController::execShutdown()
{
    _shutdown->execShutdown();
}

QMetaObject::Connection AppController::onPassFinished(const QObject* context,
                                                      std::function<void()> callback)
{
    return connect(this, &AppController::passFinished, context, std::move(callback));
}

void AppController::setStatusIcon(StatusIcon status)
{
    if (status == StatusIcon::AllWell && _connectionLost)
        status = StatusIcon::Problem;
    if (_passRunning) {
        // A pass may pass through status1 before it finds a problem: "all well" is shown
        // only when the pass has ended, a problem at once.
        _passIcon = status;
        if (status != StatusIcon::Problem)
            return;
    }
    applyStatusIcon(status);
}

void AppController::applyStatusIcon(StatusIcon status)
{
    if (status != _statusIcon)
        qCInfo(lcMonitor, "icon: %s", iconWords(int(status)));
    _statusIcon = status;
    _status->setStatusIcon(int(status));
    emit statusIconChanged(int(status));
}

void AppController::updateSummary()
{
    QStringList lines;
    if (_connectionLost)
        lines << qtTrId("UI_NoService");
    const int count = _raidInfo->getDeviceCount();
    if (!_hasEvaluated) {
        if (!_connectionLost)
            lines << qtTrId("UI_StateWaiting");
    } else if (count == 0) {
        lines << localizedErrorString(0);
    }
    for (int i = 0; i < qMin(count, int(kSlots)); ++i) {
        QString state;
        const EnclosureState& slot = _enclosures.at(i);
        if (slot._errorType != ErrorType::NoProblem || _raidInfo->friendlyMode(i).isEmpty())
            state = qtTrId("UI_StateProblem");
        else if (slot._rebuildPhase == RebuildPhase::Running)
            state = qtTrId("UI_StateRebuilding") + rebuildProgressText(*_raidInfo, i);
        else
            state = qtTrId("UI_StateHealthy");
        lines << QStringLiteral("%1: %2").arg(deviceName(i), state);
    }
    const QString summary = lines.join(QLatin1Char('\n'));
    // The same text on the terminal when it changes, so a headless run says what it sees.
    if (summary != _lastSummary) {
        _lastSummary = summary;
        qCInfo(lcMonitor).noquote()
            << "state:" << QString(summary).replace(QLatin1Char('\n'), QStringLiteral("; "));
    }
    _status->setSummary(summary);

    MonitorSnapshot snapshot = MonitorSnapshot::capture(*this);
    if (snapshot != _snapshot) {
        _snapshot = std::move(snapshot);
        emit snapshotChanged();
    }
}
