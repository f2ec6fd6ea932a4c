// STUB: placeholder so the tree links; replaced by the real controller start-up.
#include "app/appcontroller.h"
#include "settings/defaultsstore.h"
#include "settings/logtablemodel.h"
#include "ui/devicelistmodel.h"

AppController::AppController(const ControllerConfig& config, QObject* parent)
    : QObject(parent), _config(config)
{
    _status = config.status ? config.status : &_nullStatus;
    _modal = config.modal;
    _windows = config.windows;
    _system = config.system;
    if (config.store) {
        _store = config.store;
    } else {
        _ownedStore = std::make_unique<DefaultsStore>();
        _store = _ownedStore.get();
    }
    _raidInfo = std::make_unique<ParseRaidInfo>(this);
    _deviceListModel = new DeviceListModel(this);
    _logTableModel = new LogTableModel(&_eventLog, this);
}
AppController::~AppController() = default;
bool AppController::init() { return false; }
void AppController::applicationDidFinishLaunching() {}
void AppController::startTimerAtRescan() {}
void AppController::startTimerAtLogIn() {}
void AppController::startTimer() {}
void AppController::stopTimer() {}
bool AppController::isRefetchTimerActive() const { return false; }
void AppController::refetch() {}
void AppController::errorOccurredStreamEvent() {}
void AppController::terminateApp() {}
void AppController::showHelp() {}
QString AppController::helpFilePath() const { return {}; }
void AppController::setSlots(int, int, int, int) {}
void AppController::setStatusIcon(int) {}
void AppController::updateSummary() {}
