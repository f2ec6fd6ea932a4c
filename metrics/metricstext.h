// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor's state in the Prometheus text exposition format, as node_exporter's textfile
// collector reads it: every metric with its HELP and TYPE lines, enclosures labelled by the
// decimal serial number the event log and the device names use.
#pragma once

#include "presentation/monitorsnapshot.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace metrics {

// A label value between double quotes: other control characters as visible escapes ("\x1b"),
// then backslash, double quote and line feed escaped.
QString escapeLabelValue(const QString& value);

// The whole file. Times are seconds since the epoch; no last-pass sample before a pass ran.
QByteArray render(const MonitorSnapshot& snapshot, double startTimeSeconds,
                  std::optional<double> lastPassSeconds);

} // namespace metrics
