// SPDX-License-Identifier: GPL-3.0-or-later
#include "statestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace tamro::storage {

namespace {

const QString FileName = QStringLiteral("arrays.json");
constexpr qint64 MaxFileBytes = 1024 * 1024;

QJsonObject driveToJson(const protocol::Drive& d)
{
    return {{QStringLiteral("plugged"), d.plugged},
            {QStringLiteral("failed"), d.failed},
            {QStringLiteral("serial"), d.serial},
            {QStringLiteral("model"), d.model},
            {QStringLiteral("capacity_gb"), d.actualCapacityGb},
            {QStringLiteral("partition_gb"), d.partitionCapacityGb},
            {QStringLiteral("status"), d.status},
            {QStringLiteral("progress"), d.rebuildProgress}};
}

protocol::Drive driveFromJson(const QJsonObject& o)
{
    protocol::Drive d;
    d.plugged = o.value(QLatin1String("plugged")).toBool(true);
    d.failed = o.value(QLatin1String("failed")).toBool(false);
    d.serial = o.value(QLatin1String("serial")).toString();
    d.model = o.value(QLatin1String("model")).toString();
    d.actualCapacityGb = o.value(QLatin1String("capacity_gb")).toDouble();
    d.partitionCapacityGb = o.value(QLatin1String("partition_gb")).toDouble();
    d.status = o.value(QLatin1String("status")).toInt();
    d.rebuildProgress = o.value(QLatin1String("progress")).toDouble();
    return d;
}

bool sameDrive(const protocol::Drive& a, const protocol::Drive& b)
{
    return a.plugged == b.plugged && a.failed == b.failed && a.serial == b.serial &&
           a.model == b.model && a.actualCapacityGb == b.actualCapacityGb &&
           a.partitionCapacityGb == b.partitionCapacityGb && a.status == b.status &&
           a.rebuildProgress == b.rebuildProgress;
}

bool sameEnclosure(const protocol::Enclosure& a, const protocol::Enclosure& b)
{
    return a.serial == b.serial && a.productName == b.productName &&
           a.rebuildStatus == b.rebuildStatus && a.mode == b.mode &&
           a.friendlyMode == b.friendlyMode && a.volumeCapacityGb == b.volumeCapacityGb &&
           sameDrive(a.drives[0], b.drives[0]) && sameDrive(a.drives[1], b.drives[1]);
}

bool sameMembers(const QList<MemberIdentity>& a, const QList<MemberIdentity>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.at(i).device != b.at(i).device || a.at(i).model != b.at(i).model ||
            a.at(i).serial != b.at(i).serial)
            return false;
    }
    return true;
}

} // namespace

quint32 serialForUuid(const QString& uuid)
{
    quint32 hash = 2166136261u;
    for (const QChar c : uuid) {
        const QChar lower = c.toLower();
        const bool hex = (lower >= u'0' && lower <= u'9') || (lower >= u'a' && lower <= u'f');
        if (!hex)
            continue;
        hash ^= quint32(lower.unicode());
        hash *= 16777619u;
    }
    hash &= 0x7fffffffu;
    return hash == 0 ? 1 : hash;
}

QString StateStore::defaultDirectory()
{
    const QString systemd = qEnvironmentVariable("STATE_DIRECTORY");
    if (!systemd.isEmpty())
        return systemd.split(QLatin1Char(':')).first();
    const QString system = QStringLiteral("/var/lib/tamro-storage-service");
    if (QFileInfo(system).isDir())
        return system;
    QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    if (xdg.isEmpty())
        xdg = QDir::homePath() + QStringLiteral("/.local/state");
    return xdg + QStringLiteral("/tamro-storage-service");
}

StateStore::StateStore(const QString& directory) : _directory(directory) {}

QString StateStore::filePath() const
{
    return _directory + QLatin1Char('/') + FileName;
}

QString StateStore::load()
{
    QFile file(filePath());
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(filePath(), file.errorString());
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(MaxFileBytes), &error);
    if (!doc.isObject())
        return QStringLiteral("%1 is not a state file (%2); starting afresh")
            .arg(filePath(), error.errorString());
    const QJsonArray arrays = doc.object().value(QLatin1String("arrays")).toArray();
    for (const QJsonValue& value : arrays) {
        const QJsonObject o = value.toObject();
        RememberedArray a;
        a.kind = o.value(QLatin1String("kind")).toString();
        a.uuid = o.value(QLatin1String("uuid")).toString();
        a.name = o.value(QLatin1String("name")).toString();
        const qint64 serial = o.value(QLatin1String("serial")).toInteger();
        a.order = o.value(QLatin1String("order")).toInteger();
        if (a.uuid.isEmpty() || serial <= 0 || serial > 0x7fffffff || find(a.uuid))
            continue;
        a.serial = quint32(serial);
        const QJsonObject box = o.value(QLatin1String("enclosure")).toObject();
        a.enclosure.serial = QString::number(a.serial);
        a.enclosure.productName = box.value(QLatin1String("product")).toString();
        a.enclosure.rebuildStatus =
            box.value(QLatin1String("rebuild_status")).toString(QStringLiteral("Normal"));
        a.enclosure.mode = box.value(QLatin1String("mode")).toInt(1);
        a.enclosure.friendlyMode = box.value(QLatin1String("friendly_mode")).toString();
        a.enclosure.volumeCapacityGb = box.value(QLatin1String("capacity_gb")).toDouble();
        const QJsonArray drives = box.value(QLatin1String("drives")).toArray();
        const QJsonArray members = o.value(QLatin1String("members")).toArray();
        for (int k = 0; k < 2; ++k) {
            a.enclosure.drives[k] = driveFromJson(drives.at(k).toObject());
            for (const QJsonValue& m : members.at(k).toArray()) {
                const QJsonObject mo = m.toObject();
                a.members[k].append({mo.value(QLatin1String("device")).toString(),
                                     mo.value(QLatin1String("model")).toString(),
                                     mo.value(QLatin1String("serial")).toString()});
            }
        }
        _nextOrder = std::max(_nextOrder, a.order + 1);
        _arrays.append(a);
    }
    return {};
}

QString StateStore::save()
{
    if (!_dirty || _readOnly)
        return {};
    QJsonArray arrays;
    for (const RememberedArray& a : std::as_const(_arrays)) {
        QJsonArray drives;
        QJsonArray members;
        for (int k = 0; k < 2; ++k) {
            drives.append(driveToJson(a.enclosure.drives[k]));
            QJsonArray slot;
            for (const MemberIdentity& m : a.members[k])
                slot.append(QJsonObject{{QStringLiteral("device"), m.device},
                                        {QStringLiteral("model"), m.model},
                                        {QStringLiteral("serial"), m.serial}});
            members.append(slot);
        }
        const QJsonObject box{{QStringLiteral("product"), a.enclosure.productName},
                              {QStringLiteral("rebuild_status"), a.enclosure.rebuildStatus},
                              {QStringLiteral("mode"), a.enclosure.mode},
                              {QStringLiteral("friendly_mode"), a.enclosure.friendlyMode},
                              {QStringLiteral("capacity_gb"), a.enclosure.volumeCapacityGb},
                              {QStringLiteral("drives"), drives}};
        arrays.append(QJsonObject{{QStringLiteral("kind"), a.kind},
                                  {QStringLiteral("uuid"), a.uuid},
                                  {QStringLiteral("name"), a.name},
                                  {QStringLiteral("serial"), qint64(a.serial)},
                                  {QStringLiteral("order"), a.order},
                                  {QStringLiteral("enclosure"), box},
                                  {QStringLiteral("members"), members}});
    }
    if (!QDir().mkpath(_directory))
        return QStringLiteral("cannot create %1").arg(_directory);
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(filePath(), file.errorString());
    file.write(QJsonDocument(
                   QJsonObject{{QStringLiteral("version"), 1}, {QStringLiteral("arrays"), arrays}})
                   .toJson(QJsonDocument::Indented));
    if (!file.commit())
        return QStringLiteral("cannot write %1: %2").arg(filePath(), file.errorString());
    _dirty = false;
    return {};
}

const RememberedArray* StateStore::find(const QString& uuid) const
{
    for (const RememberedArray& a : _arrays) {
        if (a.uuid == uuid)
            return &a;
    }
    return nullptr;
}

RememberedArray& StateStore::remember(const ArrayReport& report,
                                      const QList<MemberIdentity> members[2])
{
    RememberedArray* entry = nullptr;
    for (RememberedArray& a : _arrays) {
        if (a.uuid == report.uuid)
            entry = &a;
    }
    if (!entry) {
        RememberedArray a;
        a.uuid = report.uuid;
        a.order = _nextOrder++;
        quint32 serial = serialForUuid(report.uuid);
        const auto taken = [this](quint32 s) {
            return std::any_of(_arrays.cbegin(), _arrays.cend(),
                               [s](const RememberedArray& r) { return r.serial == s; });
        };
        while (taken(serial))
            serial = serial % 0x7fffffffu + 1;
        a.serial = serial;
        _arrays.append(a);
        entry = &_arrays.last();
        _dirty = true;
    }
    protocol::Enclosure box = report.enclosure;
    box.serial = QString::number(entry->serial);
    if (entry->kind != report.kind || entry->name != report.name ||
        !sameEnclosure(entry->enclosure, box) ||
        (!members[0].isEmpty() && !sameMembers(entry->members[0], members[0])) ||
        (!members[1].isEmpty() && !sameMembers(entry->members[1], members[1])))
        _dirty = true;
    entry->kind = report.kind;
    entry->name = report.name;
    entry->enclosure = box;
    // A slot that is empty now keeps the member it had, so that the drive can be recognised
    // when it comes back; a slot with a member takes the new one.
    for (int k = 0; k < 2; ++k) {
        if (!members[k].isEmpty())
            entry->members[k] = members[k];
    }
    return *entry;
}

QList<const RememberedArray*> StateStore::all() const
{
    QList<const RememberedArray*> list;
    for (const RememberedArray& a : _arrays)
        list.append(&a);
    std::sort(list.begin(), list.end(), [](const RememberedArray* x, const RememberedArray* y) {
        return x->order < y->order;
    });
    return list;
}

} // namespace tamro::storage
