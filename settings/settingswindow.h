// The settings window (w1_Window): mail (with the SMTP security and sign-in), POP before
// SMTP, event log and options. Its fields and check-boxes are bound both ways to the
// controller's SettingsForm, so what the user types is in use at once; the buttons and
// check-boxes call the controller's actions.
#pragma once

#include <QWidget>

#include <memory>

class AppController;

namespace Ui {
class w1_Window;
}

class SettingsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsWindow(AppController& controller, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Commits the text being typed in any field to the form (before OK saves it).
    void commitEditing();

private:
    void bindTexts();
    void bindSecurityChoice();
    void bindCheckBoxes();
    void connectButtons();

    AppController& _controller;
    std::unique_ptr<Ui::w1_Window> _ui;
};
