// SPDX-License-Identifier: GPL-3.0-or-later
// The service's picture of its arrays: what the sources find now, merged with every array it
// has seen before (an array out of use keeps its enclosure with its last known state), in a
// stable order, at most eight served.
#pragma once

#include "arraysource.h"
#include "statestore.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace tamro::storage {

struct InventoryEntry
{
    QString kind;
    QString uuid;
    QString name;
    bool inUse = true;
    bool served = true; // false: one of the arrays past the eighth
    protocol::Enclosure enclosure;
    QStringList notes;
};

class Inventory
{
public:
    // The monitor ends itself when a document holds a ninth enclosure.
    static constexpr int MaxEnclosures = 8;

    Inventory(QString root, StateStore* store, std::vector<std::unique_ptr<ArraySource>> sources,
              std::function<void(const QString&)> log);

    // Reads every source and merges. Returns the serials of the served enclosures that are
    // new or differ from the previous refresh, in the served order.
    QStringList refresh();
    // Writes what changed of the remembered arrays to the state file (synced to the disk, so
    // it is done after the pushes, not on their way).
    void saveState();

    const QList<InventoryEntry>& entries() const { return _entries; }
    QList<protocol::Enclosure> served() const;
    QStringList skipped() const { return _skipped; }
    QStringList wakeFiles() const;
    // True when some source finds changes only by reading again.
    bool needsTimerRead() const;
    // The lines of --list.
    QStringList describe() const;

private:
    QString _root;
    StateStore* _store;
    std::vector<std::unique_ptr<ArraySource>> _sources;
    std::function<void(const QString&)> _log;
    QList<InventoryEntry> _entries;
    QStringList _skipped;
    QSet<QString> _said;         // lines already said on standard error
    QList<QByteArray> _previous; // served boxes as written, to find what changed
    QStringList _previousSerials;
    QString _saveError;
};

} // namespace tamro::storage
