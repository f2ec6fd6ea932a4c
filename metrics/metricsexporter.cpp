// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/metricsexporter.h"

#include "metrics/metricstext.h"
#include "platform/logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <sys/stat.h>

#include <cerrno>

MetricsExporter::MetricsExporter(SnapshotSource source, int refreshMs, QObject* parent)
    : QObject(parent), _source(std::move(source)),
      _clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    _pending.setSingleShot(true);
    _pending.setInterval(0);
    connect(&_pending, &QTimer::timeout, this, &MetricsExporter::write);
    _refresh.setInterval(refreshMs);
    connect(&_refresh, &QTimer::timeout, this, &MetricsExporter::requestWrite);
}

void MetricsExporter::setSettings(const MetricsSettings& settings)
{
    if (settings == _settings)
        return;
    const QString oldPath = filePath();
    const bool wasWriting = _started && _settings.enabled;
    _settings = settings;
    // A file left behind would go stale and look like a monitor that stopped.
    if (wasWriting && (!_settings.enabled || filePath() != oldPath))
        QFile::remove(oldPath);
    _failing = false;
    updateRefresh();
    requestWrite();
}

void MetricsExporter::start()
{
    _started = true;
    _startTime = nowSeconds();
    updateRefresh();
    requestWrite();
}

QString MetricsExporter::filePath() const
{
    return QDir(_settings.folder).filePath(kFileName);
}

void MetricsExporter::noteChange()
{
    requestWrite();
}

void MetricsExporter::notePass()
{
    _lastPass = nowSeconds();
    requestWrite();
}

void MetricsExporter::requestWrite()
{
    if (_started && _settings.enabled && !_pending.isActive())
        _pending.start();
}

void MetricsExporter::updateRefresh()
{
    if (_started && _settings.enabled) {
        if (!_refresh.isActive())
            _refresh.start();
    } else {
        _refresh.stop();
    }
}

void MetricsExporter::write()
{
    if (!_started || !_settings.enabled)
        return;
    if (!QDir::isAbsolutePath(_settings.folder)) {
        fail(QStringLiteral("the metrics folder is not an absolute path"));
        return;
    }
    const QByteArray text = metrics::render(_source(), _startTime, _lastPass);
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly)) {
        fail(file.errorString());
        return;
    }
    // Readable by the collector, which runs as another user, whatever the umask says. A file
    // not committed is thrown away and the old one stays.
    if (::fchmod(file.handle(), 0644) != 0) {
        fail(qt_error_string(errno));
        return;
    }
    if (file.write(text) != text.size() || !file.commit()) {
        fail(file.errorString());
        return;
    }
    if (_failing)
        qCInfo(lcMonitor, "metrics: %s written again", qPrintable(filePath()));
    _failing = false;
    emit written(true);
}

void MetricsExporter::fail(const QString& reason)
{
    if (!_failing)
        qCWarning(lcMonitor, "metrics: could not write %s (%s); trying again at the next change",
                  qPrintable(filePath()), qPrintable(reason));
    _failing = true;
    emit written(false);
}
