// SPDX-License-Identifier: GPL-3.0-or-later
// md RAID arrays: every /sys/block/md*/md/ with two member slots and level raid1, raid0 or
// linear is one enclosure.
#pragma once

#include "arraysource.h"

#include <QHash>
#include <QString>

namespace tamro::storage {

class MdSource : public ArraySource
{
public:
    explicit MdSource(const QString& root);

    ScanResult scan() override;
    QStringList wakeFiles() const override;
    // md notifies every state the service shows: the array's files, each member's state, and
    // /proc/mdstat for every md event; members coming and going make uevents.
    bool needsTimerRead() const override { return false; }

    // What the box shows while md runs these operations (see the README).
    static constexpr const char* Rebuilding = "Rebuilding";
    static constexpr const char* Resyncing = "Resyncing";
    static constexpr const char* RebuildPaused = "Rebuild paused";
    static constexpr const char* RebuildDelayed = "Rebuild delayed";

private:
    struct Member
    {
        QString dir;   // "dev-sdb"
        QString block; // "sdb"; empty when its block device has gone
        QStringList state;
        int slot = -1; // -1: "none"
    };

    bool readArray(const QString& name, ScanResult* result);

    QString _root;
    QStringList _wakeFiles;
    // The slot a member last held, per array uuid: md takes a faulty member out of its slot
    // while its dev-<name> stays, and the slot it left is still that member's.
    QHash<QString, QHash<QString, int>> _lastSlot;
};

} // namespace tamro::storage
