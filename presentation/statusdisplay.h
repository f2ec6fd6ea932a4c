// SPDX-License-Identifier: GPL-3.0-or-later
// What the status window shows for one enclosure, computed without any widget: the picture
// chosen by plug status, the mode and rebuild texts with their colours, and both drive panes
// with their capacity bars. The window only renders this.
#pragma once

#include "service/parseraidinfo.h"

#include <QString>

// The named colours the window uses (magenta 1,0,1; black; yellow 1,1,0; blue 0,0,1).
enum class NamedColor { Black, Magenta, Yellow, Blue };

struct DrivePane
{
    QString name;     // model name (after the MSG_DiskFailed text when failed), or the
                      // MSG_NoDisk text for an empty bay
    QString size;     // "<Capacity_GB> [GB]" or "- [GB]"
    QString capacity; // capacity difference, "" when equal
    NamedColor barColor = NamedColor::Magenta;
    float fraction = 0.0f; // share of the bar in barColor; 0 draws nothing
    bool operator==(const DrivePane&) const = default;
};

struct StatusDisplay
{
    int index = 0;
    QString picture = QStringLiteral("type2"); // type1..type4
    QString modeText;
    NamedColor modeColor = NamedColor::Black;
    QString statusText;
    NamedColor statusColor = NamedColor::Black;
    DrivePane drive0;
    DrivePane drive1;
    bool operator==(const StatusDisplay&) const = default;
};

namespace status {

// displayRaidInfo: the display of enclosure index; texts that the rules leave unchanged keep
// their value from previous. errorType is the enclosure's error slot.
StatusDisplay displayRaidInfo(const ParseRaidInfo& client, int index, int errorType,
                              const StatusDisplay& previous);
// displaySVInfo: the mode and rebuild texts and colours.
void displaySVInfo(const ParseRaidInfo& client, int index, int errorType, StatusDisplay& display);
// displayD0Info / displayD1Info for one drive entry.
DrivePane displayDriveInfo(const AttrRecord& drive);
// clearD0Info / clearD1Info.
DrivePane clearedDriveInfo();
// The pane of a drive that is attached but failed: the drive's own values, its model after
// the MSG_DiskFailed text, the bar in magenta.
DrivePane failedDriveInfo(const AttrRecord& drive);
// The plug-state text in the user's language for a plugInfo: text.
QString localizedPlugText(const QString& plugInfo);

} // namespace status
