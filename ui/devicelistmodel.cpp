// STUB: placeholder so the tree links; replaced by the real device list model.
#include "ui/devicelistmodel.h"
#include "app/appcontroller.h"
DeviceListModel::DeviceListModel(AppController* controller) : QAbstractTableModel(controller), _controller(controller) {}
int DeviceListModel::rowCount(const QModelIndex&) const { return 0; }
int DeviceListModel::columnCount(const QModelIndex&) const { return 1; }
QVariant DeviceListModel::data(const QModelIndex&, int) const { return {}; }
QVariant DeviceListModel::headerData(int, Qt::Orientation, int) const { return {}; }
Qt::ItemFlags DeviceListModel::flags(const QModelIndex&) const { return Qt::NoItemFlags; }
bool DeviceListModel::setData(const QModelIndex&, const QVariant&, int) { return false; }
void DeviceListModel::reload() {}
