// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon's summary text: whether the storage service is reachable, then one line per
// enclosure with its name and state ("all well", "problem", "rebuilding 45%"). Shown as the
// icon's tooltip, and said once on the terminal whenever it changes, so a headless run says
// what it sees.
#pragma once

#include "presentation/monitorsnapshot.h"

#include <QHash>
#include <QList>
#include <QString>

class StatusPresenter;

class TrayText
{
public:
    struct Enclosure
    {
        using State = EnclosureSnapshot::State;
        QString name;
        State state = State::Healthy;
        QString progress; // " 45%" while rebuilding with a known progress, else empty
    };

    struct Input
    {
        bool connectionLost = false;
        bool evaluated = false; // at least one answer has been evaluated
        QString noDeviceText;   // shown when the answers named no enclosure at all
        QList<Enclosure> enclosures;
    };

    explicit TrayText(StatusPresenter& status) : _status(status) {}

    // The text for what the monitor knows, in the installed language.
    static QString compose(const Input& input);
    // " 45%": the progress of the drive being rebuilt (drive 1 wins when both are), or empty
    // when neither drive reports a rebuild or its progress is no number.
    static QString rebuildProgressText(const QHash<QString, QString>& drive0,
                                       const QHash<QString, QString>& drive1);

    // Shows the text on the tray icon.
    void show(const Input& input);

private:
    StatusPresenter& _status;
    QString _last;
};
