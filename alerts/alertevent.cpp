// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/alertevent.h"

#include "util/timetext.h"

namespace alerts {

QString reminderLine(const AlertEvent& event)
{
    return qtTrId("MSG_AlertReminder") + u' ' +
           ctimeText(std::time_t(event.since.toSecsSinceEpoch()));
}

QString heldBackLine(const AlertEvent& event)
{
    if (event.heldBack <= 0)
        return {};
    return qtTrId("MSG_AlertsHeldBack") + u' ' + QString::number(event.heldBack);
}

QString summaryText(const AlertEvent& event)
{
    QString text;
    switch (event.kind) {
    case AlertEvent::Kind::Problem:
        text = QStringLiteral("%1\n%2: %3")
                   .arg(qtTrId("UI_NotifyProblem"), event.name, event.plugText);
        break;
    case AlertEvent::Kind::RebuildFinished:
        text = QStringLiteral("%1\n%2").arg(qtTrId("UI_NotifyRebuildDone"), event.name);
        break;
    case AlertEvent::Kind::ServiceUnreachable:
        text = qtTrId("MSG_AlertServiceDown");
        break;
    case AlertEvent::Kind::ServiceReachable:
        text = qtTrId("MSG_AlertServiceBack");
        break;
    case AlertEvent::Kind::Test:
        text = qtTrId("MSG_TestMessage");
        break;
    }
    if (event.reminder)
        text += u'\n' + reminderLine(event);
    if (const QString held = heldBackLine(event); !held.isEmpty())
        text += u'\n' + held;
    return text;
}

} // namespace alerts
