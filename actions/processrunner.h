// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a companion program without any shell: the program and each argument are handed to
// the system as they are, so no text is ever interpreted as a command. A secret meant for
// the program goes to its standard input, never onto its command line (where every user
// could read it from the process list).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcActions)

struct ProcessRequest
{
    QString program; // a path, or a name looked up on PATH
    QStringList arguments;
    // Written to standard input in order, each followed by a line feed; standard input is
    // then closed. Without any, standard input is closed at once, so nothing waits on it.
    std::vector<QByteArrayView> inputLines;
    bool mergeChannels = false; // standard error joined to standard output
    int timeoutMs = 0;          // 0 or less: no limit of our own
};

struct ProcessOutcome
{
    bool started = false;   // false: missing, not executable, or the start failed
    bool timedOut = false;  // still running at the time limit: stopped
    bool abandoned = false; // the wait was ended from outside (the application quitting)
    int exitCode = -1;
    QByteArray standardOutput; // with standard error too when the channels were merged
    QByteArray standardError;

    // Ran and ended on its own.
    bool ended() const { return started && !timedOut && !abandoned; }
};

namespace ProcessRunner {

// Waits in a nested event loop, so timers, sockets and windows keep being served (the
// default mode, not a modal run). A program still running at the time limit is killed.
ProcessOutcome runInEventLoop(const ProcessRequest& request);

// Blocks the thread until the program ends or the time limit passes (then it is killed).
ProcessOutcome runBlocking(const ProcessRequest& request);

} // namespace ProcessRunner
