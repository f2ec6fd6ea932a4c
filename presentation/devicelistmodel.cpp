#include "presentation/devicelistmodel.h"

#include "app/appcontroller.h"
#include "presentation/statuspresentation.h"

DeviceListModel::DeviceListModel(AppController* controller)
    : QAbstractTableModel(controller), _controller(controller)
{
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !_controller)
        return 0;
    return int(_controller->targetNames().size());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return _controller->targetNames().at(index.row()); // every column shows the name
    return {};
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return qtTrId("UI_DeviceList");
    return {};
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

bool DeviceListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= rowCount())
        return false;
    _controller->statusPresentation().renameDevice(index.row(), value.toString());
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return true;
}

void DeviceListModel::reload()
{
    beginResetModel();
    endResetModel();
}
