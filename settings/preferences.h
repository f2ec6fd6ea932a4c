// SPDX-License-Identifier: GPL-3.0-or-later
// Preferences: the registered defaults, loading them into the option flags and the settings
// window's fields at launch, saving them when the settings window is confirmed, the settings
// window's actions and the start-at-login entry. Owned by the controller, which hands it the
// store, the form, the flags and the name table it works on.
#pragma once

#include "settings/secretkeeper.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>

class DefaultsStore;
class ModalPresenter;
class SecretStore;
class SettingsForm;
class WindowPresenter;
struct OptionFlags;

class Preferences
{
public:
    struct Wiring
    {
        DefaultsStore& store;
        SettingsForm& form;
        OptionFlags& flags;
        QVariantMap& nameDict; // RAIDName is added to it at launch
        SecretStore& secrets;  // the keyring, or none
        ModalPresenter* modal = nullptr;
        WindowPresenter* windows = nullptr;
        QString executablePath; // for the autostart entry; empty: this process's executable
    };

    explicit Preferences(const Wiring& wiring);
    ~Preferences();

    // Settings kept by other parts (the metrics file), loaded, shown in the window and saved
    // with the rest.
    void setMoreSettings(std::function<void()> load, std::function<void()> show,
                         std::function<void()> save);

    static QVariantMap registeredDefaults();
    void loadUserDefaults();
    void saveUserDefaults();
    void SetMailController(bool enabled);
    void w1_OrderFront();
    void w1_Ok();
    void w1_Cancel();
    void w1_SendMail();
    void w1_SendRebuildMail();
    void w1_POPbSMTP();
    void w1_SMTPAuth();
    void w1_Webhook();
    void w1_SetFilePath();
    void w1_SetCAFile();

    // Where the SMTP password and the webhook token are kept now.
    SecretPlace smtpPasswordPlace() const { return _smtpPassword->place(); }
    SecretPlace webhookTokenPlace() const { return _webhookToken->place(); }
    // The autostart entry path ($XDG_CONFIG_HOME/autostart/<executable>.desktop).
    QString autostartEntryPath() const;

private:
    void writeAutostartEntry();
    // The check-boxes and the fields' enabling as the flags say (at launch and at opening).
    void setCheckBoxesFromFlags();
    void showSmtpPasswordPlace();
    void loadSmtpPassword();
    void loadWebhookToken();

    DefaultsStore& _store;
    SettingsForm& _form;
    OptionFlags& _flags;
    QVariantMap& _nameDict;
    ModalPresenter* _modal = nullptr;
    WindowPresenter* _windows = nullptr;
    QString _executablePath;
    std::unique_ptr<SecretKeeper> _smtpPassword;
    std::unique_ptr<SecretKeeper> _webhookToken;
    bool _smtpPasswordLoaded = false;
    bool _webhookTokenLoaded = false;
    std::function<void()> _loadMore;
    std::function<void()> _showMore;
    std::function<void()> _saveMore;
};
