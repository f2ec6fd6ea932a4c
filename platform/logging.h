// SPDX-License-Identifier: GPL-3.0-or-later
// Diagnostics of the monitoring controller on stderr, category "tamro.monitor". Only warnings
// show by default; QT_LOGGING_RULES="tamro.monitor.info=true" (the executable turns it on
// unless the user set rules) adds one line per pass, per icon change, per state change, per
// finished rebuild and per connection loss or retry. End-to-end tests read the icon from the
// "icon: <colour> (...)" lines.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMonitor)

// The tray icon in words for those lines: "grey (waiting)", "green (all well)", "red
// (problem)".
const char* iconWords(int status);

// Every diagnostic line from here on goes to the handler that was in place (stderr, or what
// Qt was told) with its control characters as visible escapes: names and texts from the
// storage service or the user cannot set a terminal's title, clear it or colour it.
void installVisibleMessages();
