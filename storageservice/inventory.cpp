// SPDX-License-Identifier: GPL-3.0-or-later
#include "inventory.h"

#include "blockdevice.h"
#include "protocol/codelist.h"
#include "protocol/documents.h"

#include <algorithm>

namespace tamro::storage {

namespace {

// Every text as the monitor decodes it, and short enough that a document of eight
// enclosures stays far below the 64 KiB a client reads at once (about 12 KiB at most).
void makeDecodable(protocol::Enclosure* box)
{
    using protocol::decodableText;
    box->productName = decodableText(box->productName, 64);
    box->rebuildStatus = decodableText(box->rebuildStatus, 32);
    box->friendlyMode = decodableText(box->friendlyMode, 32);
    for (protocol::Drive& d : box->drives) {
        d.model = decodableText(d.model, 48);
        d.serial = decodableText(d.serial, 48);
    }
}

// Is the member remembered for a slot still attached as the same drive?
bool memberPresent(const QString& root, const QList<MemberIdentity>& members)
{
    for (const MemberIdentity& m : members) {
        const BlockDevice dev = readBlockDevice(root, m.device);
        if (dev.present && dev.model == m.model && dev.serial == m.serial)
            return true;
    }
    return false;
}

void unplug(protocol::Drive* drive)
{
    *drive = protocol::Drive();
    drive->plugged = false;
}

QString outOfUse(const QString& kind)
{
    return kind == QLatin1String("btrfs") ? QStringLiteral("not mounted")
                                          : QStringLiteral("not assembled");
}

QString driveLine(int k, const protocol::Drive& d, const QString& rebuildStatus)
{
    QString text = QStringLiteral("  Disk%1: ").arg(k + 1);
    if (!d.plugged)
        return text + QStringLiteral("not plugged in");
    text += QStringLiteral("\"%1\"").arg(d.model);
    if (!d.serial.isEmpty())
        text += QStringLiteral(" serial %1").arg(d.serial);
    text += QStringLiteral(", %1 GB (%2 GiB in use): ")
                .arg(d.actualCapacityGb)
                .arg(d.partitionCapacityGb);
    if (d.failed)
        text += QStringLiteral("failed");
    else if (d.status == 1)
        text += QStringLiteral("%1 %2 %").arg(rebuildStatus.toLower()).arg(d.rebuildProgress);
    else if (d.status == 3)
        text += QStringLiteral("waiting for rebuild");
    else
        text += QStringLiteral("in use");
    return text;
}

} // namespace

Inventory::Inventory(QString root, StateStore* store,
                     std::vector<std::unique_ptr<ArraySource>> sources,
                     std::function<void(const QString&)> log)
    : _root(std::move(root)), _store(store), _sources(std::move(sources)), _log(std::move(log))
{
}

QStringList Inventory::wakeFiles() const
{
    QStringList files;
    for (const auto& source : _sources)
        files += source->wakeFiles();
    files.removeDuplicates();
    return files;
}

bool Inventory::needsTimerRead() const
{
    return std::any_of(_sources.cbegin(), _sources.cend(),
                       [](const auto& source) { return source->needsTimerRead(); });
}

QStringList Inventory::refresh()
{
    struct Ordered
    {
        qint64 order;
        InventoryEntry entry;
    };
    QList<Ordered> found;
    QSet<QString> seen;
    _skipped.clear();
    for (const auto& source : _sources) {
        const ScanResult result = source->scan();
        for (const SkippedArray& s : result.skipped)
            _skipped << QStringLiteral("%1: %2").arg(s.name, s.reason);
        for (const ArrayReport& report : result.arrays) {
            if (report.uuid.isEmpty() || seen.contains(report.uuid))
                continue;
            seen.insert(report.uuid);
            InventoryEntry entry;
            entry.kind = report.kind;
            entry.uuid = report.uuid;
            entry.name = report.name;
            entry.inUse = report.inUse;
            entry.notes = report.notes;
            const RememberedArray* known = _store->find(report.uuid);
            if (!report.inUse && known) {
                entry.enclosure = known->enclosure;
                found.append({known->order, entry});
                continue;
            }
            ArrayReport merged = report;
            makeDecodable(&merged.enclosure);
            QList<MemberIdentity> members[2];
            for (int k = 0; k < 2; ++k) {
                bool anyPresent = false;
                for (const QString& device : report.memberDevices[k]) {
                    const BlockDevice dev = readBlockDevice(_root, device);
                    anyPresent = anyPresent || dev.present;
                    if (dev.present)
                        members[k].append({device, dev.model, dev.serial});
                }
                // A member whose block device has gone is not plugged in, whatever the
                // array's own files still say.
                if (!report.memberDevices[k].isEmpty() && !anyPresent)
                    unplug(&merged.enclosure.drives[k]);
            }
            const RememberedArray& remembered = _store->remember(merged, members);
            entry.enclosure = remembered.enclosure;
            found.append({remembered.order, entry});
        }
    }
    // Arrays seen before and not in use now keep their last known state; a member drive that
    // is no longer attached is shown not plugged in.
    for (const RememberedArray* known : _store->all()) {
        if (seen.contains(known->uuid))
            continue;
        InventoryEntry entry;
        entry.kind = known->kind;
        entry.uuid = known->uuid;
        entry.name = known->name;
        entry.inUse = false;
        entry.enclosure = known->enclosure;
        for (int k = 0; k < 2; ++k) {
            if (entry.enclosure.drives[k].plugged && !memberPresent(_root, known->members[k]))
                unplug(&entry.enclosure.drives[k]);
        }
        found.append({known->order, entry});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Ordered& a, const Ordered& b) { return a.order < b.order; });

    _entries.clear();
    for (qsizetype i = 0; i < found.size(); ++i) {
        InventoryEntry entry = found.at(i).entry;
        entry.served = i < MaxEnclosures;
        if (!entry.served)
            _skipped << QStringLiteral("%1 (serial %2): left out: the monitor shows at most %3 "
                                       "enclosures")
                            .arg(entry.name, entry.enclosure.serial)
                            .arg(MaxEnclosures);
        _entries.append(entry);
    }
    for (const QString& line : std::as_const(_skipped)) {
        if (!_said.contains(line)) {
            _said.insert(line);
            _log(QStringLiteral("left out %1").arg(line));
        }
    }
    QStringList changed;
    QList<QByteArray> boxes;
    QStringList serials;
    for (const InventoryEntry& entry : std::as_const(_entries)) {
        if (!entry.served)
            continue;
        const QByteArray box = protocol::boxElement(entry.enclosure, 0);
        const qsizetype before = _previousSerials.indexOf(entry.enclosure.serial);
        if (before < 0 || _previous.at(before) != box)
            changed << entry.enclosure.serial;
        boxes << box;
        serials << entry.enclosure.serial;
    }
    _previous = boxes;
    _previousSerials = serials;
    return changed;
}

void Inventory::saveState()
{
    if (const QString error = _store->save(); error != _saveError) {
        _saveError = error;
        if (!error.isEmpty())
            _log(error);
    }
}

QList<protocol::Enclosure> Inventory::served() const
{
    QList<protocol::Enclosure> boxes;
    for (const InventoryEntry& entry : _entries) {
        if (entry.served)
            boxes << entry.enclosure;
    }
    return boxes;
}

QStringList Inventory::describe() const
{
    QStringList lines;
    for (const InventoryEntry& e : _entries) {
        const protocol::Enclosure& box = e.enclosure;
        lines << QStringLiteral("%1 (%2 %3): serial %4, mode %5 \"%6\", %7, %8%9")
                     .arg(e.name, e.kind, e.uuid, box.serial)
                     .arg(box.mode)
                     .arg(box.friendlyMode,
                          e.inUse ? (e.kind == QLatin1String("btrfs") ? QStringLiteral("mounted")
                                                                      : QStringLiteral("assembled"))
                                  : outOfUse(e.kind) + QStringLiteral(" (last known state)"),
                          box.rebuildStatus,
                          e.served ? QString() : QStringLiteral(", NOT SERVED (past the eighth)"));
        for (int k = 0; k < 2; ++k)
            lines << driveLine(k, box.drives[k], box.rebuildStatus);
        for (const QString& note : e.notes)
            lines << QStringLiteral("  ") + note;
    }
    for (const QString& s : _skipped) {
        if (!s.contains(QLatin1String("left out:")))
            lines << QStringLiteral("left out %1").arg(s);
    }
    if (lines.isEmpty())
        lines << QStringLiteral("no arrays found under %1")
                     .arg(_root.isEmpty() ? QStringLiteral("/") : _root);
    return lines;
}

} // namespace tamro::storage
