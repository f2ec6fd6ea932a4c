// SPDX-License-Identifier: GPL-3.0-or-later
// What the service client calls back on its owner (the monitoring controller).
#pragma once

struct ServiceAnswer;

class RaidInfoListener
{
public:
    virtual ~RaidInfoListener() = default;
    // A parsed document is handed over (answers and removal events).
    virtual void processRaidInfo(const ServiceAnswer& answer) = 0;
    // The connection failed or the service went away.
    virtual void errorOccurredStreamEvent() = 0;
};
