#include "app/logging.h"

Q_LOGGING_CATEGORY(lcMonitor, "tamro.monitor", QtWarningMsg)

const char* iconWords(int status)
{
    switch (status) {
    case 0:
        return "grey (waiting)";
    case 1:
        return "green (all well)";
    case 2:
        return "red (problem)";
    default:
        return "unknown";
    }
}
