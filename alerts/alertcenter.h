// SPDX-License-Identifier: GPL-3.0-or-later
// The one alert policy. The evaluation pass and the connection publish events here; the
// center hands each to the channels the user has on, in the order the channels were added:
// - reminders: while an enclosure stays in a problem state, its problem alert is repeated
//   every ReminderHours hours from the first report (never when ReminderHours is 0), and
//   stops when the problem ends;
// - flapping: at most one problem alert per enclosure and channel within the flap window
//   (10 minutes); the next alert that goes out on that channel says how many were held back;
// - the service out of reach and back again are passed on once each, in turn.
// Time comes from an injectable clock and the hour and window are injectable, so tests
// scale them.
#pragma once

#include "alerts/alertchannel.h"
#include "alerts/alertevent.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <vector>

struct AlertTiming
{
    qint64 hourMs = 3600000;      // one hour of ReminderHours
    qint64 flapWindowMs = 600000; // one problem alert per enclosure and channel in this time
};

class AlertCenter : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<qint64()>; // milliseconds since the epoch

    explicit AlertCenter(const AlertTiming& timing = {}, QObject* parent = nullptr);

    void setClock(Clock clock) { _clock = std::move(clock); }
    // ReminderHours, read at each use (0: no reminders).
    void setReminderHours(std::function<int()> hours) { _reminderHours = std::move(hours); }
    // Channels in delivery order; the center does not own them.
    void addChannel(AlertChannel* channel);

    void publish(AlertEvent event);
    // After each pass: the enclosures (by serial) now in a problem state. Reminders of those
    // not among them stop.
    void setProblemEnclosures(const QSet<QString>& serials);
    // Sends the reminders that are due and sets the timer for the next one. The timer calls
    // it; so does a change of ReminderHours.
    void checkReminders();

    // For tests and diagnostics.
    int trackedProblems() const { return int(_problems.size()); }
    bool isServiceDown() const { return _serviceDown; }
    qint64 now() const { return _clock(); }

signals:
    // An event went to a channel (after the policy let it through).
    void delivered(const QString& channel, const AlertEvent& event);

private:
    struct Problem
    {
        AlertEvent event;
        qint64 first = 0;
        int reminders = 0;
    };
    struct ChannelState
    {
        qint64 lastProblem = -1;
        int held = 0;
    };

    qint64 reminderIntervalMs() const;
    void deliverToChannels(const AlertEvent& event, bool limited);
    void scheduleNext();

    AlertTiming _timing;
    Clock _clock;
    std::function<int()> _reminderHours;
    std::vector<AlertChannel*> _channels;
    QHash<QString, Problem> _problems;          // by serial
    QHash<QString, ChannelState> _channelState; // by serial + '/' + channel name
    QTimer _timer;
    bool _serviceDown = false;
};
