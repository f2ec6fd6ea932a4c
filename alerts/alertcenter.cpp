// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/alertcenter.h"

#include "platform/logging.h"

#include <QDateTime>

#include <algorithm>
#include <limits>

AlertCenter::AlertCenter(const AlertTiming& timing, QObject* parent)
    : QObject(parent), _timing(timing), _clock([] { return QDateTime::currentMSecsSinceEpoch(); }),
      _reminderHours([] { return 0; })
{
    _timer.setSingleShot(true);
    connect(&_timer, &QTimer::timeout, this, &AlertCenter::checkReminders);
}

void AlertCenter::addChannel(AlertChannel* channel)
{
    if (channel)
        _channels.push_back(channel);
}

qint64 AlertCenter::reminderIntervalMs() const
{
    const int hours = _reminderHours();
    if (hours <= 0)
        return 0;
    return qint64(hours) * std::max<qint64>(1, _timing.hourMs);
}

void AlertCenter::publish(AlertEvent event)
{
    if (!event.time.isValid())
        event.time = QDateTime::fromMSecsSinceEpoch(now());
    switch (event.kind) {
    case AlertEvent::Kind::ServiceUnreachable:
        if (_serviceDown)
            return;
        _serviceDown = true;
        break;
    case AlertEvent::Kind::ServiceReachable:
        if (!_serviceDown)
            return;
        _serviceDown = false;
        break;
    case AlertEvent::Kind::Problem:
        // Reminders count from this report.
        if (!event.serial.isEmpty()) {
            _problems.insert(event.serial, Problem{event, now(), 0});
            scheduleNext();
        }
        break;
    default:
        break;
    }
    deliverToChannels(event, event.kind == AlertEvent::Kind::Problem);
}

void AlertCenter::deliverToChannels(const AlertEvent& event, bool limited)
{
    for (AlertChannel* channel : _channels) {
        if (!channel->wants(event))
            continue;
        AlertEvent copy = event;
        if (!event.serial.isEmpty()) {
            ChannelState& state = _channelState[event.serial + u'/' + channel->channelName()];
            const qint64 t = now();
            if (limited) {
                if (state.lastProblem >= 0 && t - state.lastProblem < _timing.flapWindowMs) {
                    ++state.held;
                    qCInfo(lcMonitor).noquote()
                        << "alert held back:" << channel->channelName() << event.name;
                    continue;
                }
                state.lastProblem = t;
            }
            copy.heldBack = state.held;
            state.held = 0;
        }
        emit delivered(channel->channelName(), copy);
        channel->deliver(copy);
    }
}

void AlertCenter::setProblemEnclosures(const QSet<QString>& serials)
{
    for (auto it = _problems.begin(); it != _problems.end();) {
        if (serials.contains(it.key()))
            ++it;
        else
            it = _problems.erase(it);
    }
    scheduleNext();
}

void AlertCenter::checkReminders()
{
    const qint64 interval = reminderIntervalMs();
    if (interval > 0) {
        const qint64 t = now();
        // Collected first: a channel may turn the event loop, and a pass may then change
        // the problems.
        QList<AlertEvent> due;
        for (auto it = _problems.begin(); it != _problems.end(); ++it) {
            Problem& problem = it.value();
            if (t < problem.first + interval * (problem.reminders + 1))
                continue;
            // One reminder however long the wait was; the next at the following interval.
            problem.reminders = int((t - problem.first) / interval);
            AlertEvent event = problem.event;
            event.reminder = true;
            event.since = QDateTime::fromMSecsSinceEpoch(problem.first);
            event.time = QDateTime::fromMSecsSinceEpoch(t);
            due << event;
        }
        for (const AlertEvent& event : std::as_const(due)) {
            if (_problems.contains(event.serial)) {
                qCInfo(lcMonitor).noquote() << "reminder:" << event.name;
                deliverToChannels(event, false);
            }
        }
    }
    scheduleNext();
}

void AlertCenter::scheduleNext()
{
    const qint64 interval = reminderIntervalMs();
    if (interval <= 0 || _problems.isEmpty()) {
        _timer.stop();
        return;
    }
    qint64 next = std::numeric_limits<qint64>::max();
    for (const Problem& problem : std::as_const(_problems))
        next = std::min(next, problem.first + interval * (problem.reminders + 1));
    const qint64 wait = std::clamp<qint64>(next - now(), 0, std::numeric_limits<int>::max());
    _timer.start(int(wait));
}
