// SPDX-License-Identifier: GPL-3.0-or-later
// The enclosure table: what the service last said about each enclosure, as typed records
// keyed by the enclosure's serial number, in the order the enclosures first came.
//
// Each record keeps the attributes exactly as the service sent them (the status window shows
// the service's texts) beside the readings taken of them: an absent value reads 0, an absent
// text reads empty, and a drive without PluggedIn is not plugged in.
//
// The table holds at most kTableRoom enclosures (the controller's slot count); further new
// ones are not taken. Enclosures are found by key through a hash, so a long answer merges in
// linear time. While the table is empty, its readings are those of the records the last
// document left unmerged; an index outside a non-empty table reads an empty record instead of
// running past its end.
#pragma once

#include "service/servicedocument.h"

#include <QHash>
#include <QList>
#include <QString>

#include <array>

struct Enclosure
{
    struct Drive
    {
        AttrRecord attributes; // element and partition, as sent
        bool pluggedIn = false;
        bool failed = false; // attached, but reported failed

        // Counts out of the volume: pulled, or attached but failed.
        bool isOut() const { return !pluggedIn || failed; }
        static Drive from(const AttrRecord& attributes);
        // Whether the record names an attached drive reported failed (non-zero Failed beside a
        // non-zero PluggedIn).
        static bool isFailed(const AttrRecord& attributes);
    };

    int key = 0;           // the decoded SerialNumber, as a number
    AttrRecord attributes; // box and volume, as sent
    int mode = 0;
    QString friendlyMode; // decoded
    std::array<Drive, 2> drives;

    // The readings of the records; the decoded FriendlyMode of `previous` is taken over when
    // its code list is unchanged.
    static Enclosure from(int key, const BoxRecords& records, const Enclosure* previous = nullptr);
};

class EnclosureTable
{
public:
    // Enclosures the table takes: the controller's 16 slots.
    static constexpr int kTableRoom = 16;

    // What one merge step did: the index it made current (-1: none), whether it was a removal
    // of a listed enclosure, and whether a new enclosure found no room.
    struct Merged
    {
        int index = -1;
        bool removalMatched = false;
        bool refused = false;
    };
    // An enclosure replaces the entry with its key or is appended; an event makes its
    // enclosure current; a removal event leaves the entry with its SerialNumber only.
    Merged merge(const MergeStep& step);
    // The records a document left unmerged: read while the table is empty.
    void setLoose(const BoxRecords& records);

    int count() const { return int(_entries.size()); }
    const Enclosure& at(int index) const;
    // The key of the entry; 0 outside the table.
    int key(int index) const;
    // The index of the entry with the key; -1 when none has it.
    int indexOf(int key) const { return _keyIndex.value(key, -1); }
    void removeAt(int index);

    // 0..3: bit 0 when drive 0 is not plugged in or has failed, bit 1 the same for drive 1;
    // 3 also for an empty table.
    int plugStatus(int index) const;
    // Whether the drive is attached but reported failed; false for an empty table.
    bool driveFailed(int index, int drive) const;

private:
    QList<Enclosure> _entries;
    QHash<int, int> _keyIndex; // key -> index
    Enclosure _loose;
};
