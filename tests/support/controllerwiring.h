// SPDX-License-Identifier: GPL-3.0-or-later
// The windows wired to a controller's parts the way the program wires them, for the tests
// that build them on a whole controller.
#pragma once

#include "app/appcontroller.h"
#include "metrics/metricspreferences.h"
#include "presentation/devicelistmodel.h"
#include "presentation/statuspresentation.h"
#include "settings/eventlogactions.h"
#include "ui/guishell.h"
#include "ui/renderwindows.h"
#include "ui/settingswindow.h"

inline SettingsWindow::Wiring settingsWindowWiring(AppController& controller)
{
    SettingsWindow::Wiring wiring;
    wiring.form = &controller.form();
    wiring.preferences = &controller.preferences();
    wiring.mail = &controller.mail();
    wiring.webhook = &controller.webhook();
    wiring.shutdown = &controller.shutdownAction();
    wiring.setMetricsFolder = [&controller] {
        controller.metricsPreferences().w1_SetMetricsFolder();
    };
    return wiring;
}

inline GuiShell::Wiring shellWiring(AppController& controller)
{
    GuiShell::Wiring wiring;
    wiring.status.devices = controller.deviceListModel();
    wiring.status.presentation = &controller.statusPresentation();
    wiring.status.showLog = [&controller] { controller.eventLogActions().w2_OrderFront(); };
    wiring.status.showSettings = [&controller] { controller.preferences().w1_OrderFront(); };
    wiring.status.showHelp = [&controller] { controller.showHelp(); };
    wiring.status.quit = [&controller] { controller.terminateApp(); };
    wiring.display = &controller.statusDisplay();
    wiring.settings = settingsWindowWiring(controller);
    wiring.log = controller.logTableModel();
    wiring.logActions = &controller.eventLogActions();
    return wiring;
}

inline SampleWindows sampleWindows(AppController& controller)
{
    SampleWindows windows;
    windows.settings = settingsWindowWiring(controller);
    windows.flags = &controller.flags();
    windows.log = &controller.eventLog();
    windows.logTable = controller.logTableModel();
    windows.logActions = &controller.eventLogActions();
    windows.presentation = &controller.statusPresentation();
    return windows;
}
