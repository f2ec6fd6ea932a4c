// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/logtablemodel.h"

#include "settings/eventlog.h"
#include "util/plaintext.h"

#include <QCoreApplication>

const QStringList& LogTableModel::columnIdentifiers()
{
    static const QStringList ids = {QStringLiteral("no"), QStringLiteral("DiscoveryTime"),
                                    QStringLiteral("DeviceName"), QStringLiteral("FriendlyMode"),
                                    QStringLiteral("ExecInfo")};
    return ids;
}

LogTableModel::LogTableModel(const EventLog* log, QObject* parent)
    : QAbstractTableModel(parent), _log(log)
{
}

int LogTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !_log)
        return 0;
    return _log->rowCount();
}

int LogTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columnIdentifiers().size());
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !_log || index.row() >= rowCount())
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    // "no" counts from 0 at the top row (the newest event); the other columns are the
    // comma-separated fields of the row's entry.
    if (index.column() == 0)
        return role == Qt::DisplayRole ? QVariant(index.row()) : QVariant();
    if (index.column() < columnCount()) {
        // The cell draws its text as it is; the tooltip would read markup in it.
        const QString field = _log->field(index.row(), index.column() - 1);
        return role == Qt::DisplayRole ? field : plainTextAsRichText(field);
    }
    return QVariant();
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::UserRole)
        return columnIdentifiers().at(section);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case 0:
        return qtTrId("UI_ColNo");
    case 1:
        return qtTrId("UI_ColTime");
    case 2:
        return qtTrId("UI_ColDevice");
    case 3:
        return qtTrId("UI_ColMode");
    default:
        return qtTrId("UI_ColExecInfo");
    }
}

Qt::ItemFlags LogTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool LogTableModel::setData(const QModelIndex&, const QVariant&, int)
{
    // The log is read-only.
    return false;
}

void LogTableModel::reload()
{
    beginResetModel();
    endResetModel();
}
