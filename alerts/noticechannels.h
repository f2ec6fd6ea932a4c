// SPDX-License-Identifier: GPL-3.0-or-later
// The two channels at the desk: the modal notice panel and the desktop notification.
#pragma once

#include "alerts/alertchannel.h"

class ModalPresenter;
class StatusPresenter;
struct OptionFlags;

// The notice panel (DispPanel), for problems. While one notice panel is open no second one is
// shown: a reminder that comes then goes to the other channels only.
class NoticePanelChannel : public AlertChannel
{
public:
    NoticePanelChannel(ModalPresenter& modal, const OptionFlags& flags);
    QString channelName() const override { return QStringLiteral("panel"); }
    bool wants(const AlertEvent& event) const override;
    void deliver(const AlertEvent& event) override;
    bool isOpen() const { return _open; }

    // "DeviceName:<name>\n<plug text><check text>", and a line counting the alerts held back
    // before it, if any.
    static QString panelText(const AlertEvent& event);

private:
    ModalPresenter& _modal;
    const OptionFlags& _flags;
    bool _open = false;
};

// A desktop notification through the tray (DesktopNotifications), for problems (with
// critical urgency) and finished rebuilds.
class DesktopNotificationChannel : public AlertChannel
{
public:
    DesktopNotificationChannel(StatusPresenter& status, const OptionFlags& flags);
    QString channelName() const override { return QStringLiteral("desktop"); }
    bool wants(const AlertEvent& event) const override;
    void deliver(const AlertEvent& event) override;

private:
    StatusPresenter& _status;
    const OptionFlags& _flags;
};
