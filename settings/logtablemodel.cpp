// STUB: placeholder so the tree links; replaced by the real log table.
#include "settings/logtablemodel.h"
#include "settings/eventlog.h"
const QStringList& LogTableModel::columnIdentifiers() { static const QStringList ids; return ids; }
LogTableModel::LogTableModel(const EventLog* log, QObject* parent) : QAbstractTableModel(parent), _log(log) {}
int LogTableModel::rowCount(const QModelIndex&) const { return 0; }
int LogTableModel::columnCount(const QModelIndex&) const { return 0; }
QVariant LogTableModel::data(const QModelIndex&, int) const { return {}; }
QVariant LogTableModel::headerData(int, Qt::Orientation, int) const { return {}; }
Qt::ItemFlags LogTableModel::flags(const QModelIndex&) const { return Qt::NoItemFlags; }
bool LogTableModel::setData(const QModelIndex&, const QVariant&, int) { return false; }
void LogTableModel::reload() {}
