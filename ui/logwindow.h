// The log window (w2_Window): the event log as a read-only table, newest event first, with
// the Rescan and OK buttons.
#pragma once

#include <QWidget>

#include <memory>

class AppController;

namespace Ui {
class w2_Window;
}

class LogWindow : public QWidget
{
    Q_OBJECT
public:
    explicit LogWindow(AppController& controller, QWidget* parent = nullptr);
    ~LogWindow() override;

private:
    AppController& _controller;
    std::unique_ptr<Ui::w2_Window> _ui;
};
