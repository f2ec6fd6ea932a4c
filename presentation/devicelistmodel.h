// SPDX-License-Identifier: GPL-3.0-or-later
// The device list (fTargetTable): one row per enclosure, every column showing its display
// name; editing a cell renames the enclosure through the rename call it was given.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>

class DeviceListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using Rename = std::function<void(int row, const QString& name)>;
    // names is the list of display names the model shows; it outlives the model.
    DeviceListModel(const QStringList& names, Rename rename, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The name list was refilled: reset the model.
    void reload();

private:
    const QStringList& _names;
    Rename _rename;
};
