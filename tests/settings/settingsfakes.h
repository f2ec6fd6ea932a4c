// SPDX-License-Identifier: GPL-3.0-or-later
// Recording stand-ins for the controller's modal panels, windows and keyring, and a
// controller built on a settings file of its own.
#pragma once

#include "app/appcontroller.h"
#include "platform/ports.h"
#include "settings/defaultsstore.h"
#include "settings/eventlogactions.h"
#include "settings/secretstore.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class RecordingModal : public ModalPresenter
{
public:
    void alert(const QString& message, bool) override { alerts.append(message); }
    void displayPanel(const QString& text) override { panels.append(text); }
    int runQuitPanel(const QString&) override { return 0; }
    std::optional<QString> runPasswordPanel(const QString&) override { return std::nullopt; }
    std::optional<QString> runSaveDialog(const QString& startPath) override
    {
        saveDialogStarts.append(startPath);
        return saveDialogAnswer;
    }

    std::optional<QString> runOpenDialog(const QString& startPath) override
    {
        openDialogStarts.append(startPath);
        return openDialogAnswer;
    }

    std::optional<QString> runFolderDialog(const QString& startPath) override
    {
        folderDialogStarts.append(startPath);
        return folderDialogAnswer;
    }

    QStringList alerts;
    QStringList panels;
    QStringList saveDialogStarts;
    std::optional<QString> saveDialogAnswer;
    QStringList openDialogStarts;
    std::optional<QString> openDialogAnswer;
    QStringList folderDialogStarts;
    std::optional<QString> folderDialogAnswer;
};

class RecordingWindows : public WindowPresenter
{
public:
    void showStatusWindow() override { calls.append(QStringLiteral("showStatus")); }
    void closeStatusWindow() override { calls.append(QStringLiteral("closeStatus")); }
    void showSettingsWindow() override { calls.append(QStringLiteral("showSettings")); }
    void closeSettingsWindow() override { calls.append(QStringLiteral("closeSettings")); }
    void commitSettingsEditing() override { calls.append(QStringLiteral("commitSettings")); }
    void showLogWindow() override { calls.append(QStringLiteral("showLog")); }
    void closeLogWindow() override { calls.append(QStringLiteral("closeLog")); }

    QStringList calls;
};

// A keyring in memory: there or not, taking secrets or refusing them; counts every use.
class FakeSecretStore : public SecretStore
{
public:
    bool isAvailable() override { return available; }
    Result read(const QString& key, QString& secret) override
    {
        ++reads;
        if (!entries.contains(key))
            return Result::NotFound;
        secret = entries.value(key);
        return Result::Ok;
    }
    Result write(const QString& key, const QString& secret) override
    {
        ++writes;
        if (!takes)
            return Result::Failed;
        entries.insert(key, secret);
        return Result::Ok;
    }

    bool available = true;
    bool takes = true;
    QHash<QString, QString> entries;
    int reads = 0;
    int writes = 0;
};

// Names the application as main does, so the default log folder is computed the same way.
inline void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("TAMRO"));
    QCoreApplication::setApplicationName(QStringLiteral("TAMRO RAID MONITOR"));
}

// A controller on a settings file in a folder of its own, created and initialised as at
// launch (defaults registered). Several rigs may share one settings file.
struct ControllerRig
{
    explicit ControllerRig(const QString& iniPath,
                           const QString& executable = QStringLiteral("/opt/tamro/tamro-monitor"),
                           SecretStore* secrets = nullptr,
                           quint16 servicePort = ParseRaidInfo::kDefaultPort)
        : store(iniPath)
    {
        ControllerConfig config;
        config.servicePort = servicePort;
        config.store = &store;
        config.secrets = secrets;
        config.modal = &modal;
        config.windows = &windows;
        config.executablePath = executable;
        controller = std::make_unique<AppController>(config);
        initialised = controller->init();
    }

    // The launch steps that matter here: preferences loaded, the log read from logPath.
    void launchWithLog(const QString& logPath)
    {
        controller->preferences().loadUserDefaults();
        controller->form().setText(SettingsForm::Text::LogFilePath, logPath);
        controller->eventLogActions().readCSVFile();
    }

    DefaultsStore store;
    RecordingModal modal;
    RecordingWindows windows;
    std::unique_ptr<AppController> controller;
    bool initialised = false;
};
