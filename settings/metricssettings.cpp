// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/metricssettings.h"

#include "settings/defaultsstore.h"

MetricsSettings MetricsSettings::load(const DefaultsStore& store)
{
    MetricsSettings settings;
    settings.enabled = store.boolForKey(kExportKey);
    settings.folder = store.stringForKey(kFolderKey);
    return settings;
}

void MetricsSettings::save(DefaultsStore& store) const
{
    store.setBool(kExportKey, enabled);
    store.setString(kFolderKey, folder);
}
