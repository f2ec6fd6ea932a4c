// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window (w1_Window), on four pages: mail (with the SMTP security and sign-in,
// and POP before SMTP), notifications (notice panel, desktop, reminders, webhook), event log
// and options. Its fields and check-boxes are bound both ways to the settings form, so what
// the user types is in use at once; the buttons and check-boxes call the actions it is built
// with.
#pragma once

#include "settings/settingsform.h"

#include <QWidget>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

class MailChannel;
class Preferences;
class QComboBox;
class ShutdownAction;
class WebhookChannel;

namespace Ui {
class w1_Window;
}

class SettingsWindow : public QWidget
{
    Q_OBJECT
public:
    struct Wiring
    {
        SettingsForm* form = nullptr;           // the fields and boxes, bound both ways
        Preferences* preferences = nullptr;     // OK, Cancel, the file buttons, the option boxes
        MailChannel* mail = nullptr;            // Test mail
        WebhookChannel* webhook = nullptr;      // Test webhook
        ShutdownAction* shutdown = nullptr;     // the shutdown box asks for the password
        std::function<void()> setMetricsFolder; // the metrics folder's button
    };

    explicit SettingsWindow(Wiring wiring, QWidget* parent = nullptr);
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

    Wiring _wiring;
    std::unique_ptr<Ui::w1_Window> _ui;
};
