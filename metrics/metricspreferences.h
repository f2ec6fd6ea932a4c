// SPDX-License-Identifier: GPL-3.0-or-later
// The metrics file's two settings as the settings window edits them: loaded from the store
// into the exporter, shown on the form, saved from the form, and the folder chooser.
#pragma once

class DefaultsStore;
class MetricsExporter;
class ModalPresenter;
class SettingsForm;

class MetricsPreferences
{
public:
    MetricsPreferences(DefaultsStore& store, SettingsForm& form, MetricsExporter& exporter,
                       ModalPresenter& modal)
        : _store(store), _form(form), _exporter(exporter), _modal(modal)
    {
    }

    void load();
    void show();
    void save();
    // The folder button: a folder chooser starting at the folder on the form.
    void w1_SetMetricsFolder();

private:
    DefaultsStore& _store;
    SettingsForm& _form;
    MetricsExporter& _exporter;
    ModalPresenter& _modal;
};
