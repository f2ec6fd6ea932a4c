// SPDX-License-Identifier: GPL-3.0-or-later
// The two preferences of the metrics file: whether the monitor writes it (ExportMetrics,
// YES/NO) and the folder it goes to (MetricsFolder, by default the folder the Debian
// package of node_exporter reads with its textfile collector).
#pragma once

#include <QString>

class DefaultsStore;

struct MetricsSettings
{
    static inline const QString kExportKey = QStringLiteral("ExportMetrics");
    static inline const QString kFolderKey = QStringLiteral("MetricsFolder");
    static inline const QString kDefaultFolder =
        QStringLiteral("/var/lib/prometheus/node-exporter");

    bool enabled = false;
    QString folder = kDefaultFolder;

    bool operator==(const MetricsSettings&) const = default;

    // The store's values, or the registered defaults.
    static MetricsSettings load(const DefaultsStore& store);
    // Into the store (written out by the caller's synchronize).
    void save(DefaultsStore& store) const;
};
