// SPDX-License-Identifier: GPL-3.0-or-later
// How other processes reach the running monitor: by its name on the session bus, or, where
// there is no session bus, by a local socket beside its lock file in the user's runtime
// folder ($XDG_RUNTIME_DIR). A second start uses it to ask for the status window; --status,
// --rescan and --show use it for their requests.
#pragma once

#include <QString>

namespace monitorlink {

// The session-bus face (README.md describes it).
inline constexpr char kService[] = "org.tamro.RaidMonitor";
inline constexpr char kPath[] = "/org/tamro/RaidMonitor";
inline constexpr char kInterface[] = "org.tamro.RaidMonitor";

// The lock held by the running monitor and its local socket, in the user's runtime folder.
QString lockPath();
QString socketPath();

enum class Request { Show, Rescan, Status };

struct Reply
{
    bool reached = false; // a monitor took the request
    QString text;         // Status: the JSON document
    QString error;        // why no monitor took it, when one may be running
};

// Sends request to the running monitor, the session bus first, then the local socket, within
// timeoutMs altogether.
Reply send(Request request, int timeoutMs);

// The line protocol of the local socket: one request word per line ("show", "rescan",
// "status"); the answer is one line, "ok", the JSON document, or "error: <reason>".
QByteArray requestWord(Request request);

} // namespace monitorlink
