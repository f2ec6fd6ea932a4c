// A modal presenter that records every panel and answers the password panel from a queue
// (Cancel once the queue is empty, so a test can never loop forever).
#pragma once

#include "app/ports.h"

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
