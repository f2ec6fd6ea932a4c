// SPDX-License-Identifier: GPL-3.0-or-later
// The controller: creation and wiring of the parts, the version gate, launch, the refetch
// timers, quitting and help.
#include "app/appcontroller.h"

#include "actions/shutdown.h"
#include "alerts/mailchannel.h"
#include "alerts/noticechannels.h"
#include "alerts/webhookchannel.h"
#include "metrics/metricsexporter.h"
#include "metrics/metricspreferences.h"
#include "platform/logging.h"
#include "platform/modalgate.h"
#include "presentation/devicelistmodel.h"
#include "presentation/statuspresentation.h"
#include "resources/resourcepaths.h"
#include "settings/defaultsstore.h"
#include "settings/eventlogactions.h"
#include "settings/logtablemodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

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

// The current index of the event's enclosure, -1 when it is no longer in the table: a mail's
// outcome row goes to the enclosure it was about, even when the table moved meanwhile.
int currentIndex(const ParseRaidInfo& client, const AlertEvent& event)
{
    if (event.serial.isEmpty())
        return event.isAboutEnclosure() ? event.index : -1;
    const int count = client.getDeviceCount();
    const auto matches = [&](int i) {
        return i >= 0 && i < count && QString::number(client.serialNumber(i)) == event.serial;
    };
    if (matches(event.index))
        return event.index;
    for (int i = 0; i < count; ++i) {
        if (matches(i))
            return i;
    }
    return -1;
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
    _pass = std::make_unique<EvaluationPass>();
    makeClient();
    StatusPresentation::Setup presentationSetup;
    presentationSetup.client = _raidInfo.get();
    presentationSetup.status = _status;
    presentationSetup.modal = _modal;
    presentationSetup.windows = _windows;
    presentationSetup.store = _store;
    presentationSetup.errorType = [this](int i) { return int(_pass->errorType(i)); };
    presentationSetup.display = &_statusDisplay;
    presentationSetup.selectedIndex = &_selIdx;
    presentationSetup.targetNames = &_targetName;
    presentationSetup.nameDict = &_nameDict;
    presentationSetup.namesChanged = [this] { _pass->updateSummary(); };
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
    logSetup.deviceName = [this](int index) { return _presentation->deviceName(index); };
    logSetup.defaultLogPath = [] {
        return registeredDefaults().value(QStringLiteral("LogFilePath")).toString();
    };
    logSetup.written = [this](bool ok) { emit logWritten(ok); };
    _eventLogActions = std::make_unique<EventLogActions>(std::move(logSetup));
    _metrics = std::make_unique<MetricsExporter>([this] { return _pass->snapshot(); },
                                                 config.timing.metricsRefreshMs);
    _trayText = std::make_unique<TrayText>(*_status);
    _metricsPreferences = std::make_unique<MetricsPreferences>(*_store, _form, *_metrics, *_modal);
    _preferences->setMoreSettings([this] { _metricsPreferences->load(); },
                                  [this] { _metricsPreferences->show(); },
                                  [this] { _metricsPreferences->save(); });
    makeAlerts();
    makePass();
}

AppController::~AppController()
{
    // The client closes its connection as it goes; nothing it reports now may start a retry
    // or show an alert.
    _pass->stop();
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
        _eventLogActions->writeCSVFile(message, currentIndex(*_raidInfo, event));
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
    // A new reminder interval takes effect at once.
    connect(&_form, &SettingsForm::textChanged, this, [this](SettingsForm::Text field) {
        if (field == SettingsForm::Text::ReminderHours)
            _alerts->checkReminders();
    });
}

void AppController::makeClient()
{
    _raidInfo = std::make_unique<ParseRaidInfo>(_pass.get());
    _raidInfo->setPort(_config.servicePort);
    _raidInfo->setHandOffIntervals(_config.timing.handOffIdleMs, _config.timing.handOffBusyMs);
    _raidInfo->setTimeouts(_config.timing.answerMs, _config.timing.unfinishedMs);
    connect(_raidInfo.get(), &ParseRaidInfo::connectionStateChanged, _pass.get(),
            &EvaluationPass::connectionStateChanged);
}

void AppController::makePass()
{
    EvaluationPass::Inputs in;
    in.client = _raidInfo.get();
    in.flags = &_flags;
    in.modal = _modal;
    in.system = _system;
    in.deviceName = [this](int index) { return _presentation->deviceName(index); };
    in.plugText = [this](int index) { return _presentation->localizedErrorString(index); };
    in.rescanSoon = [this] { startTimerAtRescan(); };
    in.reconnectSoon = [this] { startTimerAtLogIn(); };
    in.isRefetchActive = [this] { return isRefetchTimerActive(); };
    in.startRefetch = [this] { startTimer(); };
    _pass->setInputs(std::move(in));

    EvaluationPass* pass = _pass.get();
    connect(pass, &EvaluationPass::iconChanged, this, [this](int icon) {
        _status->setStatusIcon(icon);
        emit statusIconChanged(icon);
    });
    connect(pass, &EvaluationPass::logRow, this, [this](const QString& message, int index) {
        _eventLogActions->writeCSVFile(message, index);
    });
    const auto publish = [this](const AlertEvent& event) { _alerts->publish(event); };
    connect(pass, &EvaluationPass::problemFound, this, publish);
    connect(pass, &EvaluationPass::rebuildFinished, this, publish);
    connect(pass, &EvaluationPass::serviceLost, this, [this] {
        AlertEvent unreachable;
        unreachable.kind = AlertEvent::Kind::ServiceUnreachable;
        _alerts->publish(unreachable);
    });
    connect(pass, &EvaluationPass::serviceBack, this, [this] {
        AlertEvent reachable;
        reachable.kind = AlertEvent::Kind::ServiceReachable;
        _alerts->publish(reachable);
    });
    connect(pass, &EvaluationPass::allRebuildsFinished, this, [this] {
        if (_flags._isShutdown)
            _shutdown->execShutdown();
    });
    connect(pass, &EvaluationPass::enclosureRemoved, this,
            [this](int index) { _presentation->enclosureRemoved(index); });
    connect(pass, &EvaluationPass::deviceNamesChanged, this, [this](const QStringList& names) {
        _targetName = names;
        _deviceListModel->reload();
        _status->deviceListReloaded(_selIdx);
    });
    connect(pass, &EvaluationPass::showEnclosure, this,
            [this](int index) { _presentation->displayRaidInfo(index); });
    connect(pass, &EvaluationPass::showSelected, this,
            [this] { _presentation->displaySelected(); });
    connect(pass, &EvaluationPass::summaryChanged, this,
            [this](const TrayText::Input& input) { _trayText->show(input); });
    connect(pass, &EvaluationPass::snapshotChanged, _metrics.get(), &MetricsExporter::noteChange);
    connect(pass, &EvaluationPass::snapshotChanged, this, &AppController::snapshotChanged);
    // After each pass: the enclosures in a problem state, for the reminders.
    connect(pass, &EvaluationPass::passFinished, this,
            [this] { _alerts->setProblemEnclosures(_pass->problemSerials()); });
    connect(pass, &EvaluationPass::passFinished, _metrics.get(), &MetricsExporter::notePass);
    connect(pass, &EvaluationPass::passFinished, this, &AppController::passFinished);
}

bool AppController::init()
{
    if (!Misc::is_10_39_or_later_version(_config.versionQuery)) {
        _modal->alert(qtTrId("MSG_Version"), true);
        _system->terminate();
        return false;
    }
    _pass->reset();
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
    _pass->showWaiting();
    _preferences->loadUserDefaults();
    _metrics->start();
    _eventLogActions->readCSVFile();
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
