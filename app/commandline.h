// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line. Without options it runs the monitor (or, when one runs
// already, asks that one to show its status window and ends). --status, --rescan and --show
// talk to the running monitor and end; --headless runs the monitor without a display.
#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

struct CommandLine
{
    enum class Action { Run, Status, Rescan, Show, Help, Version, Error };

    Action action = Action::Run;
    bool headless = false; // offscreen platform; panels and alerts answered at once, logged
    bool json = false;     // --status prints the JSON document instead of the table
    QString error;         // Action::Error: what was wrong, one line

    // Exit status of a command line that could not be used.
    static constexpr int kUsageError = 64;

    // Defines the options on parser (help and version included) and reads arguments (the
    // program name first). Needs no application object; the parser can then print help.
    static CommandLine parse(QCommandLineParser& parser, const QStringList& arguments);
    // "tamro-raid-monitor 1.0.0".
    static QString versionText();
};
