// SPDX-License-Identifier: GPL-3.0-or-later
// One way an alert reaches the user: the notice panel, a desktop notification, a mail, a web
// request. The alert center asks each channel, in the order they were added, whether it wants
// an event (its option is on) and hands it over.
#pragma once

#include "alerts/alertevent.h"

#include <QString>

#include <functional>

class AlertChannel
{
public:
    virtual ~AlertChannel() = default;
    // A short name for diagnostics ("mail", "webhook", ...).
    virtual QString channelName() const = 0;
    // True when the user has this channel on for such an event.
    virtual bool wants(const AlertEvent& event) const = 0;
    virtual void deliver(const AlertEvent& event) = 0;
};

// Writes a channel's outcome row (a message) into the event log for the event's enclosure.
using AlertOutcomeLog = std::function<void(const QString& message, const AlertEvent& event)>;
