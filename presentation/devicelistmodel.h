// The device list (fTargetTable): one row per enclosure, every column showing its display
// name; editing a cell renames the enclosure through the controller.
#pragma once

#include <QAbstractTableModel>

class AppController;

class DeviceListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DeviceListModel(AppController* controller);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The controller refilled its name list: reset the model.
    void reload();

private:
    AppController* _controller;
};
