#include "app/logging.h"

Q_LOGGING_CATEGORY(lcMonitor, "tamro.monitor", QtWarningMsg)
