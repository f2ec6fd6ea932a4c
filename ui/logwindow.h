// SPDX-License-Identifier: GPL-3.0-or-later
// The log window (w2_Window): the event log as a read-only table, newest event first, with
// the Rescan and OK buttons.
#pragma once

#include <QWidget>

#include <memory>

class EventLogActions;
class LogTableModel;
class StatusPresentation;

namespace Ui {
class w2_Window;
}

class LogWindow : public QWidget
{
    Q_OBJECT
public:
    // Shows log; OK goes to actions, Rescan to presentation.
    LogWindow(LogTableModel* log, EventLogActions& actions, StatusPresentation& presentation,
              QWidget* parent = nullptr);
    ~LogWindow() override;

private:
    std::unique_ptr<Ui::w2_Window> _ui;
};
