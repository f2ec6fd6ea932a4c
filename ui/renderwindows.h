// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the settings window and the log window, with sample contents, into PNG files
// (w1_Window.png, w2_Window.png) in a folder: for screenshots and visual checks. It fills the
// controller's settings fields and flags with sample values and adds three sample rows to
// the in-memory event log (the log file is not written): use it on a controller of its own.
#pragma once

#include <QString>

#include <functional>

class AppController;
class QWidget;

// `inspect`, when given, is called with each window while it is shown at the size the program
// opens it at, and the window's name ("w1_Window", "w2_Window").
void renderSettingsWindows(
    AppController& controller, const QString& outDir,
    const std::function<void(QWidget& window, const QString& name)>& inspect = {});
