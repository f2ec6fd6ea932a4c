// STUB: placeholder so the tree links; replaced by the real event log.
#include "settings/eventlog.h"
void EventLog::read(const QString&) {}
QStringList EventLog::parse(const QByteArray&) { return {}; }
QString EventLog::makeLine(const QString&, const QString&, const QString&, const QString&) { return {}; }
void EventLog::insert(const QString&) {}
bool EventLog::write(const QString&) const { return false; }
bool EventLog::writeTo(QIODevice&) const { return false; }
QString EventLog::field(int, int) const { return {}; }
