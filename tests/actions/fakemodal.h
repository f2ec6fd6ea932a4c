// SPDX-License-Identifier: GPL-3.0-or-later
// A modal presenter that records every panel and answers the password panel from a queue
// (Cancel once the queue is empty, so a test can never loop forever).
#pragma once

#include "app/appcontroller.h"
#include "platform/ports.h"

#include <QList>
#include <QStringList>

#include <optional>

class FakeModal : public ModalPresenter
{
public:
    QList<std::optional<QString>> passwordAnswers;
    QStringList passwordStatuses;
    QStringList notices;
    QStringList alerts;

    void alert(const QString& message, bool) override { alerts.append(message); }
    void displayPanel(const QString& text) override { notices.append(text); }
    int runQuitPanel(const QString&) override { return 0; }
    std::optional<QString> runPasswordPanel(const QString& status) override
    {
        passwordStatuses.append(status);
        if (passwordAnswers.isEmpty())
            return std::nullopt;
        return passwordAnswers.takeFirst();
    }
    std::optional<QString> runSaveDialog(const QString&) override { return std::nullopt; }
};

// A controller configuration for the actions tests: the given store, modal fake, mail tool
// and sudo, with short delays everywhere else.
inline ControllerConfig actionsTestConfig(DefaultsStore* store, ModalPresenter* modal,
                                          const QString& mailTool, const QString& sudoProgram,
                                          int mailTimeoutMs, int sudoTimeoutMs)
{
    ControllerConfig config;
    config.store = store;
    config.modal = modal;
    config.timing.rescanMs = 10;
    config.timing.loginMs = 10;
    config.timing.handOffIdleMs = 1;
    config.timing.handOffBusyMs = 1;
    config.timing.mailTimeoutMs = mailTimeoutMs;
    config.timing.sudoTimeoutMs = sudoTimeoutMs;
    config.mailToolPath = mailTool;
    config.sudoProgram = sudoProgram;
    return config;
}
