// SPDX-License-Identifier: GPL-3.0-or-later
// The windows, the status menu, the sample windows and the bus face wired to a controller's
// parts: one wiring for the program, the render tool and the tests that build them on a
// whole controller.
#pragma once

#include "app/appcontroller.h"
#include "bus/monitorinstance.h"
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

// The requests of other processes, on the controller's snapshot and status window.
inline void attachInstance(MonitorInstance& instance, AppController& controller)
{
    MonitorInstance::Wiring wiring;
    wiring.snapshot = [&controller] { return controller.pass().snapshot(); };
    wiring.showStatusWindow = [&controller] { controller.statusPresentation().w0_OrderFront(); };
    wiring.rescan = [&controller] { controller.statusPresentation().w0_Rescan(); };
    instance.attach(std::move(wiring));
    QObject::connect(&controller, &AppController::snapshotChanged, &instance,
                     &MonitorInstance::publishChange);
}
