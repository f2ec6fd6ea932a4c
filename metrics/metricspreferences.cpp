// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/metricspreferences.h"

#include "metrics/metricsexporter.h"
#include "platform/ports.h"
#include "settings/metricssettings.h"
#include "settings/settingsform.h"

using Text = SettingsForm::Text;
using Box = SettingsForm::Box;

void MetricsPreferences::load()
{
    _exporter.setSettings(MetricsSettings::load(_store));
}

void MetricsPreferences::show()
{
    _form.setChecked(Box::ExportMetrics, _exporter.settings().enabled);
    _form.setText(Text::MetricsFolder, _exporter.settings().folder);
}

void MetricsPreferences::save()
{
    MetricsSettings settings;
    settings.enabled = _form.isChecked(Box::ExportMetrics);
    settings.folder = _form.text(Text::MetricsFolder);
    settings.save(_store);
    _exporter.setSettings(settings);
}

void MetricsPreferences::w1_SetMetricsFolder()
{
    const std::optional<QString> chosen = _modal.runFolderDialog(_form.text(Text::MetricsFolder));
    if (chosen && !chosen->isEmpty())
        _form.setText(Text::MetricsFolder, *chosen);
}
