// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's side of the metrics file: its two preferences in the settings window and
// the folder chooser.
#include "app/appcontroller.h"
#include "metrics/metricsexporter.h"

using Text = SettingsForm::Text;
using Box = SettingsForm::Box;

void AppController::loadMetricsSettings()
{
    _metrics->setSettings(MetricsSettings::load(*_store));
}

void AppController::showMetricsSettings()
{
    _form.setChecked(Box::ExportMetrics, _metrics->settings().enabled);
    _form.setText(Text::MetricsFolder, _metrics->settings().folder);
}

void AppController::saveMetricsSettings()
{
    MetricsSettings settings;
    settings.enabled = _form.isChecked(Box::ExportMetrics);
    settings.folder = _form.text(Text::MetricsFolder);
    settings.save(*_store);
    _metrics->setSettings(settings);
}

void AppController::w1_SetMetricsFolder()
{
    if (!_modal)
        return;
    const std::optional<QString> chosen = _modal->runFolderDialog(_form.text(Text::MetricsFolder));
    if (chosen && !chosen->isEmpty())
        _form.setText(Text::MetricsFolder, *chosen);
}
