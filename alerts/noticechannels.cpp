// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/noticechannels.h"

#include "platform/ports.h"
#include "settings/optionflags.h"

NoticePanelChannel::NoticePanelChannel(ModalPresenter& modal, const OptionFlags& flags)
    : _modal(modal), _flags(flags)
{
}

bool NoticePanelChannel::wants(const AlertEvent& event) const
{
    return event.kind == AlertEvent::Kind::Problem && _flags._isDispPanel;
}

QString NoticePanelChannel::panelText(const AlertEvent& event)
{
    QString text = QStringLiteral("DeviceName:%1\n%2%3")
                       .arg(event.name, event.plugText, qtTrId("MSG_DiskCheck"));
    // After a burst the panel, like the other channels, says how many alerts it held back.
    if (const QString held = alerts::heldBackLine(event); !held.isEmpty())
        text += u'\n' + held;
    return text;
}

void NoticePanelChannel::deliver(const AlertEvent& event)
{
    if (_open)
        return;
    _open = true;
    _modal.displayPanel(panelText(event));
    _open = false;
}

DesktopNotificationChannel::DesktopNotificationChannel(StatusPresenter& status,
                                                       const OptionFlags& flags)
    : _status(status), _flags(flags)
{
}

bool DesktopNotificationChannel::wants(const AlertEvent& event) const
{
    return _flags._isDesktopNotifications && event.isAboutEnclosure();
}

void DesktopNotificationChannel::deliver(const AlertEvent& event)
{
    _status.notify(event.kind == AlertEvent::Kind::Problem ? NoticeKind::Problem
                                                           : NoticeKind::RebuildFinished,
                   qtTrId("MSG_Title"), alerts::summaryText(event));
}
