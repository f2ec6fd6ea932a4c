// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/statusdisplay.h"

#include "util/intvalue.h"

#include <QCoreApplication>

#include <charconv>

namespace {

// Reads a decimal text as a 32-bit float the way the service's numbers are meant: leading
// white space skipped, an optional sign, then the longest number at the front; 0 when there
// is none. Independent of the process locale (a German locale must not turn "7.6" into 7).
float floatValue(const QString& text)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* first = bytes.constData();
    const char* last = first + bytes.size();
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    if (first != last && *first == '-') // a second sign is no number
        return 0.0f;
    float value = 0.0f;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc())
        return 0.0f;
    return negative ? -value : value;
}

int statusOf(const AttrRecord& drive)
{
    return intValue(drive.value(QStringLiteral("Status")));
}

// "%@ %3.0f%%": the message, a blank and the progress rounded to a whole percent.
QString progressText(const QString& message, float progress)
{
    return message + QString::asprintf(" %3.0f%%", double(progress));
}

bool indexInTable(const ParseRaidInfo& client, int index)
{
    const int count = client.getDeviceCount();
    // An empty table answers every query from the working records, whatever the index.
    return count == 0 || (index >= 0 && index < count);
}

} // namespace

namespace status {

StatusDisplay displayRaidInfo(const ParseRaidInfo& client, int index, int errorType,
                              const StatusDisplay& previous)
{
    // An index outside the table would read past its entries; the window keeps what it shows.
    if (!indexInTable(client, index))
        return previous;

    StatusDisplay display = previous;
    display.index = index;
    const int plug = client.plugStatus(index);
    static const char* const pictures[] = {"type1", "type3", "type4", "type2"};
    display.picture = QString::fromLatin1(pictures[plug & 3]);

    displaySVInfo(client, index, errorType, display);
    // A failed drive is still in its bay: its pane shows the drive, marked as failed, while
    // the picture shows the bay the volume has lost, as for a pulled drive.
    const auto pane = [&](int drive, const AttrRecord& record) {
        if (client.driveFailed(index, drive))
            return failedDriveInfo(record);
        return (plug & (1 << drive)) ? clearedDriveInfo() : displayDriveInfo(record);
    };
    display.drive0 = pane(0, client.drive0Dict(index));
    display.drive1 = pane(1, client.drive1Dict(index));
    return display;
}

void displaySVInfo(const ParseRaidInfo& client, int index, int errorType, StatusDisplay& display)
{
    if (!indexInTable(client, index))
        return;

    if (client.friendlyMode(index).isEmpty()) {
        display.modeColor = NamedColor::Magenta;
        display.modeText = qtTrId("MSG_ModeNoDisk");
        display.statusText.clear(); // its colour stays as it was
        return;
    }

    const NamedColor color = errorType != 0 ? NamedColor::Magenta : NamedColor::Black;
    display.modeColor = color;
    display.statusColor = color;

    switch (client.mode(index)) {
    case 0:
        display.modeText = qtTrId("MSG_Mode0");
        break;
    case 1:
        display.modeText = qtTrId("MSG_Mode1");
        break;
    case 2:
        display.modeText = qtTrId("MSG_Mode2");
        break;
    case 3:
        display.modeText = qtTrId("MSG_Mode3");
        break;
    default: // an unknown mode leaves the text as it was
        break;
    }

    const AttrRecord drive0 = client.drive0Dict(index);
    const AttrRecord drive1 = client.drive1Dict(index);
    const int status0 = statusOf(drive0);
    const int status1 = statusOf(drive1);
    const QString rebuild = ParseRaidInfo::convertUniData(
        client.boxDict(index).value(QStringLiteral("BoxRebuildStatus")));

    if (rebuild == QLatin1String("Normal")) {
        if (errorType != 0)
            display.statusText = qtTrId("MSG_RError") + localizedPlugText(client.plugInfo(index));
        else if (status0 == 3 || status1 == 3)
            display.statusText = qtTrId("MSG_RStatus3");
        else
            display.statusText = qtTrId("MSG_RStatus0");
        return;
    }

    // A rebuild is under way. Later rows overwrite earlier ones, so drive 1 wins when both
    // drives qualify; when none holds, the text stays as it was.
    const auto progress = [](const AttrRecord& drive) {
        return floatValue(drive.value(QStringLiteral("RebuildProgress")));
    };
    if (status0 == 1)
        display.statusText = progressText(qtTrId("MSG_RStatus1"), progress(drive0));
    if (status0 == 2)
        display.statusText = progressText(qtTrId("MSG_RStatus2"), progress(drive0));
    if (status1 == 1)
        display.statusText = progressText(qtTrId("MSG_RStatus1"), progress(drive1));
    if (status1 == 2)
        display.statusText = progressText(qtTrId("MSG_RStatus2"), progress(drive1));
}

DrivePane displayDriveInfo(const AttrRecord& drive)
{
    DrivePane pane;
    pane.name = ParseRaidInfo::convertUniData(drive.value(QStringLiteral("ModelName")));

    // The size is the service's own text, not reformatted. A drive that reports no size
    // shows the dash of an empty bay instead of a bare unit.
    const QString sizeText = drive.value(QStringLiteral("Capacity_GB"));
    pane.size = (sizeText.isEmpty() ? QStringLiteral("-") : sizeText) + QStringLiteral(" [GB]");

    const float capacity = floatValue(sizeText);
    const float actual = floatValue(drive.value(QStringLiteral("ActualCapacity_GB")));
    if (capacity == actual) {
        pane.capacity.clear();
        pane.fraction = 1.0f;
    } else {
        const float difference = actual - capacity;
        pane.capacity = difference >= 1.0f ? QString::asprintf("%3.3f[GB]", double(difference))
                                           : QString::asprintf("%1.5f[GB]", double(difference));
        // The used share of the bar stays between 41 % and 80 % so both segments remain
        // visible; the bounds are compared in double precision and stored as floats.
        float fraction = capacity / actual;
        if (double(fraction) < 0.41)
            fraction = 0.41f;
        if (double(fraction) > 0.8)
            fraction = 0.8f;
        pane.fraction = fraction;
    }
    pane.barColor = statusOf(drive) != 0 ? NamedColor::Yellow : NamedColor::Blue;
    return pane;
}

DrivePane clearedDriveInfo()
{
    DrivePane pane;
    pane.name = qtTrId("MSG_NoDisk");
    pane.size = QStringLiteral("- [GB]");
    pane.capacity.clear();
    pane.barColor = NamedColor::Magenta;
    pane.fraction = 1.0f;
    return pane;
}

DrivePane failedDriveInfo(const AttrRecord& drive)
{
    DrivePane pane = displayDriveInfo(drive);
    pane.name = qtTrId("MSG_DiskFailed") + pane.name;
    pane.barColor = NamedColor::Magenta;
    return pane;
}

QString localizedPlugText(const QString& plugInfo)
{
    if (plugInfo == QLatin1String("Disk1 is not connected."))
        return qtTrId("MSG_DiskInfo1");
    if (plugInfo == QLatin1String("Disk2 is not connected."))
        return qtTrId("MSG_DiskInfo2");
    if (plugInfo == QLatin1String("Disk1/2 is not connected."))
        return qtTrId("MSG_DiskInfo3");
    if (plugInfo == QLatin1String("Disk1 has failed."))
        return qtTrId("MSG_DiskInfo5");
    if (plugInfo == QLatin1String("Disk2 has failed."))
        return qtTrId("MSG_DiskInfo6");
    if (plugInfo == QLatin1String("Disk1/2 have failed."))
        return qtTrId("MSG_DiskInfo7");
    if (plugInfo == QLatin1String("Device re-scan did not find any devices.") ||
        plugInfo == QLatin1String("Failed configuration."))
        return qtTrId("MSG_DiskInfo4");
    return plugInfo;
}

} // namespace status
