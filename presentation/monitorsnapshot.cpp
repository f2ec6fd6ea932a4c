// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/monitorsnapshot.h"

#include "service/parseraidinfo.h"
#include "util/controltext.h"
#include "util/intvalue.h"

#include <QJsonArray>

#include <cmath>

namespace {

using EState = EnclosureSnapshot::State;
using MState = MonitorSnapshot::State;

constexpr std::array<std::pair<MState, const char*>, 5> kMonitorStates{{
    {MState::Waiting, "waiting"},
    {MState::AllWell, "ok"},
    {MState::Problem, "problem"},
    {MState::Rebuilding, "rebuilding"},
    {MState::NoService, "no-service"},
}};
constexpr std::array<std::pair<EState, const char*>, 3> kEnclosureStates{{
    {EState::Healthy, "healthy"},
    {EState::Problem, "problem"},
    {EState::Rebuilding, "rebuilding"},
}};

template <typename State, std::size_t N>
std::optional<State> stateFromName(const std::array<std::pair<State, const char*>, N>& names,
                                   const QString& name)
{
    for (const auto& [state, text] : names) {
        if (name == QLatin1String(text))
            return state;
    }
    return std::nullopt;
}

QJsonObject driveJson(const DriveSnapshot& d)
{
    return {{QStringLiteral("plugged"), d.plugged},
            {QStringLiteral("failed"), d.failed},
            {QStringLiteral("model"), validUnicode(d.model)},
            {QStringLiteral("serial"), validUnicode(d.serial)},
            {QStringLiteral("capacity_gb"), d.capacityGb < 0 ? QJsonValue() : d.capacityGb},
            {QStringLiteral("status"), d.status},
            {QStringLiteral("rebuild_progress"), d.rebuildProgress}};
}

DriveSnapshot driveFromJson(const QJsonObject& o)
{
    DriveSnapshot d;
    d.plugged = o.value(QLatin1String("plugged")).toBool();
    d.failed = o.value(QLatin1String("failed")).toBool();
    d.model = o.value(QLatin1String("model")).toString();
    d.serial = o.value(QLatin1String("serial")).toString();
    d.capacityGb = o.value(QLatin1String("capacity_gb")).toDouble(-1);
    d.status = o.value(QLatin1String("status")).toInt();
    d.rebuildProgress = o.value(QLatin1String("rebuild_progress")).toInt();
    return d;
}

// What a person reads in a drive column: the model and what is wrong with the drive.
QString driveCell(const DriveSnapshot& d)
{
    if (d.failed)
        return (d.model.isEmpty() ? QStringLiteral("drive") : d.model) +
               QStringLiteral(" (failed)");
    if (!d.plugged)
        return QStringLiteral("not connected");
    QString text = d.model.isEmpty() ? QStringLiteral("connected") : d.model;
    if (d.status == 1 || d.status == 2)
        text += QStringLiteral(" (rebuilding)");
    else if (d.status == 3)
        text += QStringLiteral(" (waiting for rebuild)");
    return text;
}

QString stateCell(const EnclosureSnapshot& e)
{
    switch (e.state) {
    case EState::Healthy:
        return QStringLiteral("all well");
    case EState::Problem:
        return QStringLiteral("PROBLEM");
    case EState::Rebuilding:
        return e.rebuildProgress >= 0 ? QStringLiteral("rebuilding %1%").arg(e.rebuildProgress)
                                      : QStringLiteral("rebuilding");
    }
    return {};
}

} // namespace

DriveSnapshot DriveSnapshot::read(const AttrRecord& drive, bool plugged)
{
    DriveSnapshot d;
    d.plugged = plugged;
    d.failed = ParseRaidInfo::isFailedDrive(drive);
    d.model = ParseRaidInfo::convertUniData(drive.value(QStringLiteral("ModelName")));
    d.serial = ParseRaidInfo::convertUniData(drive.value(QStringLiteral("SerialNumber")));
    bool ok = false;
    const double capacity = drive.value(QStringLiteral("ActualCapacity_GB")).toDouble(&ok);
    d.capacityGb = ok && std::isfinite(capacity) && capacity >= 0 ? capacity : -1;
    d.status = intValue(drive.value(QStringLiteral("Status")));
    const double progress = drive.value(QStringLiteral("RebuildProgress")).toDouble(&ok);
    d.rebuildProgress = ok && !std::isnan(progress) ? qRound(qBound(0.0, progress, 100.0)) : 0;
    return d;
}

int EnclosureSnapshot::rebuildingDriveProgress() const
{
    int progress = -1;
    for (const DriveSnapshot& d : drives) {
        if (d.status == 1 || d.status == 2)
            progress = d.rebuildProgress;
    }
    return progress;
}

QString MonitorSnapshot::stateName(State state)
{
    for (const auto& [s, text] : kMonitorStates) {
        if (s == state)
            return QLatin1String(text);
    }
    return {};
}

QString MonitorSnapshot::stateName(EnclosureSnapshot::State state)
{
    for (const auto& [s, text] : kEnclosureStates) {
        if (s == state)
            return QLatin1String(text);
    }
    return {};
}

QJsonObject MonitorSnapshot::toJson() const
{
    QJsonArray list;
    for (const EnclosureSnapshot& e : enclosures) {
        list.append(QJsonObject{
            {QStringLiteral("name"), validUnicode(e.name)},
            {QStringLiteral("serial"), validUnicode(e.serial)},
            {QStringLiteral("state"), stateName(e.state)},
            {QStringLiteral("mode"), validUnicode(e.mode)},
            {QStringLiteral("plug_info"), validUnicode(e.plugInfo)},
            {QStringLiteral("rebuild_progress"),
             e.rebuildProgress < 0 ? QJsonValue() : e.rebuildProgress},
            {QStringLiteral("drives"), QJsonArray{driveJson(e.drives[0]), driveJson(e.drives[1])}},
        });
    }
    return {{QStringLiteral("state"), stateName(state)},
            {QStringLiteral("service_reachable"), state != State::NoService},
            {QStringLiteral("enclosures"), list}};
}

std::optional<MonitorSnapshot> MonitorSnapshot::fromJson(const QJsonObject& json)
{
    const auto overall =
        stateFromName(kMonitorStates, json.value(QLatin1String("state")).toString());
    if (!overall || !json.value(QLatin1String("enclosures")).isArray())
        return std::nullopt;
    MonitorSnapshot snapshot;
    snapshot.state = *overall;
    const QJsonArray list = json.value(QLatin1String("enclosures")).toArray();
    for (const QJsonValue& value : list) {
        const QJsonObject o = value.toObject();
        const auto state =
            stateFromName(kEnclosureStates, o.value(QLatin1String("state")).toString());
        if (!state)
            return std::nullopt;
        EnclosureSnapshot e;
        e.name = o.value(QLatin1String("name")).toString();
        e.serial = o.value(QLatin1String("serial")).toString();
        e.state = *state;
        e.mode = o.value(QLatin1String("mode")).toString();
        e.plugInfo = o.value(QLatin1String("plug_info")).toString();
        e.rebuildProgress = o.value(QLatin1String("rebuild_progress")).toInt(-1);
        const QJsonArray drives = o.value(QLatin1String("drives")).toArray();
        for (int k = 0; k < 2 && k < drives.size(); ++k)
            e.drives[k] = driveFromJson(drives.at(k).toObject());
        snapshot.enclosures.append(e);
    }
    return snapshot;
}

int MonitorSnapshot::exitCode() const
{
    switch (state) {
    case State::AllWell:
        return 0;
    case State::NoService:
        return 2;
    case State::Waiting:
    case State::Problem:
    case State::Rebuilding:
        break;
    }
    return 1;
}

QString MonitorSnapshot::table() const
{
    QString out;
    switch (state) {
    case State::Waiting:
        out = QStringLiteral("Waiting for the storage service's first answer.\n");
        break;
    case State::AllWell:
        out = QStringLiteral("All well.\n");
        break;
    case State::Problem:
        out = QStringLiteral("PROBLEM: an enclosure needs attention.\n");
        break;
    case State::Rebuilding:
        out = QStringLiteral("A rebuild is running.\n");
        break;
    case State::NoService:
        out =
            QStringLiteral("The storage service cannot be reached; the enclosures as last seen:\n");
        break;
    }
    if (enclosures.isEmpty()) {
        if (state != State::Waiting)
            out += QStringLiteral("No enclosure found.\n");
        return out;
    }

    QList<QStringList> rows{{QStringLiteral("ENCLOSURE"), QStringLiteral("SERIAL"),
                             QStringLiteral("STATE"), QStringLiteral("MODE"),
                             QStringLiteral("DISK1"), QStringLiteral("DISK2")}};
    for (const EnclosureSnapshot& e : enclosures) {
        // A terminal shows what the service and the user named things, never obeys it.
        rows.append({oneVisibleLine(e.name), oneVisibleLine(e.serial), stateCell(e),
                     e.mode.isEmpty() ? QStringLiteral("-") : oneVisibleLine(e.mode),
                     oneVisibleLine(driveCell(e.drives[0])),
                     oneVisibleLine(driveCell(e.drives[1]))});
    }
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList& row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = qMax(widths[c], row.at(c).size());
    }
    out += u'\n';
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c)
            line += row.at(c).leftJustified(widths[c] + 2);
        out += line.trimmed() + u'\n';
    }
    return out;
}
