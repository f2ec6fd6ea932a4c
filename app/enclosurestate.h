// SPDX-License-Identifier: GPL-3.0-or-later
// The state the evaluation pass keeps for each enclosure of the table, and the tray icon it
// chooses. The values are those of the settings and log of the previous version, so each enum
// keeps its number.
#pragma once

#include <QtGlobal>

// What the last evaluation of the enclosure found wrong.
enum class ErrorType : qint8 {
    NoProblem = 0,
    CommandFailed = 1, // the command's result code (eResult) is not 0
    DriveMissing = 2,  // a drive is not plugged in and the volume's mode is not 0
    NoDrive = 3,       // no drive plugged in, or no enclosure at all
};

// What is known of the enclosure's health since launch.
enum class RecoveryType : qint8 {
    Unknown = 0,     // nothing known yet
    ProblemSeen = 1, // a problem has been seen (and reported, when it followed a healthy state)
    Healthy = 2,     // the last evaluation with a volume description found no problem
};

// The rebuild the pass follows on the enclosure.
enum class RebuildPhase : qint8 {
    Idle = 0, // no rebuild followed
    Running = 1,
    Finished = 2, // lives only until the end of the enclosure's turn in the pass
};

// The tray icon: status0, status1, status2.
enum class StatusIcon : int {
    Waiting = 0, // from launch until the first pass
    AllWell = 1,
    Problem = 2,
};

// The three slots of one enclosure, by its position in the table.
struct EnclosureState
{
    ErrorType _errorType = ErrorType::NoProblem;
    RecoveryType _recoveryType = RecoveryType::Unknown;
    RebuildPhase _rebuildPhase = RebuildPhase::Idle;
};
