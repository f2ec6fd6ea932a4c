// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window (w1_Window), on four pages: mail (with the SMTP security and sign-in,
// and POP before SMTP), notifications (notice panel, desktop, reminders, webhook), event log
// and options. Its fields and check-boxes are bound both ways to the
// controller's SettingsForm, so what the user types is in use at once; the buttons and
// check-boxes call the controller's actions.
#pragma once

#include "settings/settingsform.h"

#include <QWidget>

#include <initializer_list>
#include <utility>

#include <memory>

class AppController;
class QComboBox;

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
    // A list whose entries stand for the stored values of a text setting.
    void bindChoice(QComboBox* combo, SettingsForm::Text field,
                    std::initializer_list<std::pair<const char*, const char*>> choices);
    void bindChoices();
    void bindCheckBoxes();
    void connectButtons();

    AppController& _controller;
    std::unique_ptr<Ui::w1_Window> _ui;
};
