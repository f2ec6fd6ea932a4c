// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/logging.h"

#include "util/controltext.h"

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

namespace {

QtMessageHandler previousHandler = nullptr;

void visibleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (previousHandler)
        previousHandler(type, context, visibleControls(message));
}

} // namespace

void installVisibleMessages()
{
    const QtMessageHandler previous = qInstallMessageHandler(visibleMessage);
    if (previous != visibleMessage)
        previousHandler = previous;
}
