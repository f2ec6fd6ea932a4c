// STUB: placeholder so the tree links; replaced by the real client.
#include "service/parseraidinfo.h"

ParseRaidInfo::ParseRaidInfo(RaidInfoListener* appController, QObject* parent)
    : QObject(parent), _appController(appController) {}
ParseRaidInfo::~ParseRaidInfo() = default;
void ParseRaidInfo::setHandOffIntervals(int idleMs, int busyMs) { _handOffIdleMs = idleMs; _handOffBusyMs = busyMs; }
void ParseRaidInfo::openStream() {}
void ParseRaidInfo::closeStream() {}
bool ParseRaidInfo::isConnected() const { return false; }
QByteArray ParseRaidInfo::commandText(int) { return {}; }
void ParseRaidInfo::handleReadBytes(const QByteArray&) {}
void ParseRaidInfo::parseStreamData() {}
QString ParseRaidInfo::convertUniData(const QString&) { return {}; }
int ParseRaidInfo::serialNumber(int) const { return 0; }
int ParseRaidInfo::getDeviceIndexFromSerialNumber(int) const { return 0; }
void ParseRaidInfo::removeDictAry(int) {}
AttrRecord ParseRaidInfo::boxDict(int) const { return {}; }
AttrRecord ParseRaidInfo::drive0Dict(int) const { return {}; }
AttrRecord ParseRaidInfo::drive1Dict(int) const { return {}; }
int ParseRaidInfo::plugStatus(int) const { return 3; }
int ParseRaidInfo::mode(int) const { return 0; }
QString ParseRaidInfo::friendlyMode(int) const { return {}; }
int ParseRaidInfo::eResult() const { return 0; }
QString ParseRaidInfo::execInfo() const { return {}; }
QString ParseRaidInfo::plugInfo(int) const { return {}; }
