// Diagnostics of the monitoring controller on stderr, category "tamro.monitor". Only warnings
// show by default; QT_LOGGING_RULES="tamro.monitor.info=true" adds one line per pass, per icon
// change and per connection loss or retry (end-to-end tests read the icon state from them).
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMonitor)
