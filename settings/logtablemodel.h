// SPDX-License-Identifier: GPL-3.0-or-later
// The log window's table: one row per event (the header is not shown), columns "no",
// "DiscoveryTime", "DeviceName", "FriendlyMode", "ExecInfo". Read-only.
#pragma once

#include <QAbstractTableModel>

class EventLog;

class LogTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static const QStringList& columnIdentifiers();

    explicit LogTableModel(const EventLog* log, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The log changed: reload the table.
    void reload();

private:
    const EventLog* _log;
};
