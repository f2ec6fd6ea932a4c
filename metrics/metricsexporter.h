// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the monitor's state for Prometheus: the file tamro_raid_monitor.prom in the
// metrics folder, which node_exporter's textfile collector serves on each scrape. The file
// is written at start, after every pass, on every change of the published snapshot and
// every refresh interval, so that its age tells whether the monitor still runs. Each write
// goes to a temporary file in the same folder that then replaces the old one, so the
// collector never reads half a file. A folder that cannot be written is reported once per
// run of failures in the tamro.monitor log category and tried again at the next write;
// monitoring goes on regardless.
#pragma once

#include "presentation/monitorsnapshot.h"
#include "settings/metricssettings.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class MetricsExporter : public QObject
{
    Q_OBJECT
public:
    static inline const QString kFileName = QStringLiteral("tamro_raid_monitor.prom");
    static constexpr int kRefreshMs = 60000;

    using SnapshotSource = std::function<MonitorSnapshot()>;
    // Milliseconds since the epoch.
    using Clock = std::function<qint64()>;

    explicit MetricsExporter(SnapshotSource source, int refreshMs = kRefreshMs,
                             QObject* parent = nullptr);

    void setClock(Clock clock) { _clock = std::move(clock); }
    const MetricsSettings& settings() const { return _settings; }
    // Takes effect at once: switched off or moved, the file this run wrote is removed from
    // the old folder; switched on or moved after start, a file is written.
    void setSettings(const MetricsSettings& settings);
    // Records the start time and writes the first file.
    void start();
    QString filePath() const;
    bool isFailing() const { return _failing; }

public slots:
    // The snapshot changed (the connection, a name, an enclosure's state).
    void noteChange();
    // A pass has ended.
    void notePass();

signals:
    // After each write: whether the file is in place.
    void written(bool ok);

private:
    void requestWrite();
    void write();
    void fail(const QString& reason);
    void updateRefresh();
    double nowSeconds() const { return double(_clock()) / 1000.0; }

    SnapshotSource _source;
    Clock _clock;
    MetricsSettings _settings;
    QTimer _pending; // coalesces the writes one turn of the event loop asks for
    QTimer _refresh;
    bool _started = false;
    bool _failing = false;
    double _startTime = 0;
    std::optional<double> _lastPass;
};
