// SPDX-License-Identifier: GPL-3.0-or-later
#include "presentation/traytext.h"

#include "platform/logging.h"
#include "platform/ports.h"
#include "util/intvalue.h"

#include <QStringList>

#include <cmath>
#include <optional>

QString TrayText::compose(const Input& input)
{
    QStringList lines;
    if (input.connectionLost)
        lines << qtTrId("UI_NoService");
    if (!input.evaluated) {
        if (!input.connectionLost)
            lines << qtTrId("UI_StateWaiting");
    } else if (input.enclosures.isEmpty()) {
        lines << input.noDeviceText;
    }
    for (const Enclosure& e : input.enclosures) {
        QString state;
        switch (e.state) {
        case Enclosure::State::Problem:
            state = qtTrId("UI_StateProblem");
            break;
        case Enclosure::State::Rebuilding:
            state = qtTrId("UI_StateRebuilding") + e.progress;
            break;
        case Enclosure::State::Healthy:
            state = qtTrId("UI_StateHealthy");
            break;
        }
        lines << QStringLiteral("%1: %2").arg(e.name, state);
    }
    return lines.join(QLatin1Char('\n'));
}

QString TrayText::rebuildProgressText(const QHash<QString, QString>& drive0,
                                      const QHash<QString, QString>& drive1)
{
    std::optional<double> progress;
    for (const QHash<QString, QString>* drive : {&drive0, &drive1}) {
        const int state = intValue(drive->value(QStringLiteral("Status")));
        if (state == 1 || state == 2)
            progress = drive->value(QStringLiteral("RebuildProgress")).toDouble();
    }
    // The service's text may hold anything: a value that is no number shows no progress, and
    // one outside 0..100 is held to that range before it is rounded to a whole percent.
    if (!progress || std::isnan(*progress))
        return {};
    return QStringLiteral(" %1%").arg(qRound(qBound(0.0, *progress, 100.0)));
}

void TrayText::show(const Input& input)
{
    const QString summary = compose(input);
    if (summary != _last) {
        _last = summary;
        qCInfo(lcMonitor).noquote()
            << "state:" << QString(summary).replace(QLatin1Char('\n'), QStringLiteral("; "));
    }
    _status.setSummary(summary);
}
