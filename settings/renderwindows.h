// Renders the settings window and the log window, with sample contents, into PNG files
// (w1_Window.png, w2_Window.png) in a folder: for screenshots and visual checks. It fills the
// controller's settings fields and flags with sample values and adds three sample rows to
// the in-memory event log (the log file is not written): use it on a controller of its own.
#pragma once

#include <QString>

class AppController;

void renderSettingsWindows(AppController& controller, const QString& outDir);
