// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/enclosuretable.h"

#include "util/intvalue.h"

namespace {

const QString kSerialNumber = QStringLiteral("SerialNumber");
const QString kFriendlyMode = QStringLiteral("FriendlyMode");

} // namespace

bool Enclosure::Drive::isFailed(const AttrRecord& attributes)
{
    return intValue(attributes.value(QStringLiteral("PluggedIn"))) != 0 &&
           intValue(attributes.value(QStringLiteral("Failed"))) != 0;
}

Enclosure::Drive Enclosure::Drive::from(const AttrRecord& attributes)
{
    Drive drive;
    drive.attributes = attributes;
    drive.pluggedIn = intValue(attributes.value(QStringLiteral("PluggedIn"))) != 0;
    drive.failed = isFailed(attributes);
    return drive;
}

Enclosure Enclosure::from(int key, const BoxRecords& records, const Enclosure* previous)
{
    Enclosure enclosure;
    enclosure.key = key;
    enclosure.attributes = records.box;
    enclosure.mode = intValue(records.box.value(QStringLiteral("mode")));
    // The same answer comes again at every fetch: an unchanged code list is not decoded again.
    const QString friendly = records.box.value(kFriendlyMode);
    if (previous && previous->attributes.value(kFriendlyMode) == friendly)
        enclosure.friendlyMode = previous->friendlyMode;
    else
        enclosure.friendlyMode = decodeCodeList(friendly);
    enclosure.drives = {Drive::from(records.drive0), Drive::from(records.drive1)};
    return enclosure;
}

EnclosureTable::Merged EnclosureTable::merge(const MergeStep& step)
{
    const int key = intValue(decodeCodeList(step.keyText));
    const int found = indexOf(key);
    if (found >= 0) {
        if (!step.isEvent) {
            Enclosure& entry = _entries[found];
            entry = Enclosure::from(key, step.records, &entry);
            return {};
        }
        if (step.eventMsgIdx != ServiceDocument::kRemovalEvent)
            return {found};
        // Removed: the enclosure stays listed by its SerialNumber until the pass drops it.
        AttrRecord reduced;
        reduced.insert(kSerialNumber, _entries.at(found).attributes.value(kSerialNumber));
        _entries[found] = Enclosure::from(key, {reduced, step.records.drive0, step.records.drive1});
        return {found, true};
    }
    if (step.isEvent)
        return {};
    if (count() >= kTableRoom) {
        // More enclosures than the controller has slots for: the pass ends the program at its
        // enclosure limit; merging the rest would only cost time.
        return {-1, false, true};
    }
    const int index = count();
    _keyIndex.insert(key, index);
    _entries.append(Enclosure::from(key, step.records));
    return {index};
}

void EnclosureTable::setLoose(const BoxRecords& records)
{
    _loose = Enclosure::from(0, records);
}

const Enclosure& EnclosureTable::at(int index) const
{
    static const Enclosure empty;
    if (_entries.isEmpty())
        return _loose;
    if (index < 0 || index >= count())
        return empty;
    return _entries.at(index);
}

// Entries are only ever replaced by one with the same key, so the key is kept in the entry.
int EnclosureTable::key(int index) const
{
    if (index < 0 || index >= count())
        return 0;
    return _entries.at(index).key;
}

void EnclosureTable::removeAt(int index)
{
    if (index < 0 || index >= count())
        return;
    _entries.removeAt(index);
    _keyIndex.clear();
    for (int i = 0; i < count(); ++i)
        _keyIndex.insert(_entries.at(i).key, i);
}

int EnclosureTable::plugStatus(int index) const
{
    if (_entries.isEmpty())
        return 3;
    // A drive that is attached but failed no longer serves the volume: it counts out like a
    // pulled one, so the enclosure gets the same problem state.
    const Enclosure& enclosure = at(index);
    return (enclosure.drives[0].isOut() ? 1 : 0) | (enclosure.drives[1].isOut() ? 2 : 0);
}

bool EnclosureTable::driveFailed(int index, int drive) const
{
    if (_entries.isEmpty())
        return false;
    return at(index).drives[drive == 0 ? 0 : 1].failed;
}
