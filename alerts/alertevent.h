// SPDX-License-Identifier: GPL-3.0-or-later
// What happened, as the evaluation pass and the connection publish it: a problem found on an
// enclosure, a rebuild finished, the storage service out of reach or back. The values are
// taken when the event is published, so a channel that delivers later (a web request still
// on its way) describes the enclosure as it was then.
#pragma once

#include <QDateTime>
#include <QString>

struct AlertEvent
{
    enum class Kind { Problem, RebuildFinished, ServiceUnreachable, ServiceReachable, Test };

    Kind kind = Kind::Problem;
    int index = -1;   // the enclosure's index when published; -1 for none
    QString serial;   // the enclosure key: its serial number in decimal, as the log writes it
    QString name;     // display name
    QString mode;     // the volume's mode text
    QString plugInfo; // the plug-information sentence, untranslated, as the log writes it
    QString plugText; // the same in the user's language
    QDateTime time;   // when it was published

    // Filled in by the alert center for one delivery.
    bool reminder = false; // a repetition of a problem that is still there
    QDateTime since;       // for a reminder: when the problem was first reported
    int heldBack = 0;      // alerts of this enclosure this channel did not send before this one

    bool isAboutEnclosure() const { return kind == Kind::Problem || kind == Kind::RebuildFinished; }
    // Problems and a service out of reach call for attention.
    bool isTrouble() const { return kind == Kind::Problem || kind == Kind::ServiceUnreachable; }
};

namespace alerts {

// The short text of an event for a notification or a push: what happened and where, the
// reminder and the alerts held back.
QString summaryText(const AlertEvent& event);
// The line that says a message is a reminder, with the time of the first report.
QString reminderLine(const AlertEvent& event);
// The line that says how many alerts were held back; empty when none were.
QString heldBackLine(const AlertEvent& event);

} // namespace alerts
