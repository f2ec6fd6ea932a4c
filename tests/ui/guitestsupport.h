// SPDX-License-Identifier: GPL-3.0-or-later
// A controller on a private preferences file, wired to a GuiShell, for the widget tests.
#pragma once

#include "app/appcontroller.h"
#include "app/guiwiring.h"
#include "settings/defaultsstore.h"
#include "tools/renderui/raiddocument.h"
#include "ui/guishell.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct GuiStage
{
    GuiStage() : store(std::make_unique<DefaultsStore>(dir.filePath(QStringLiteral("prefs.ini"))))
    {
        ControllerConfig config;
        config.status = &shell;
        config.modal = &shell;
        config.windows = &shell;
        config.system = &shell;
        config.store = store.get();
        config.servicePort = 1; // nothing listens there; no test connects
        config.timing.handOffIdleMs = 0;
        config.timing.handOffBusyMs = 0;
        config.timing.rescanMs = 3600000;
        config.timing.loginMs = 3600000;
        controller = std::make_unique<AppController>(config);
        controller->client().setHandOffIntervals(0, 0);
        shell.attach(shellWiring(*controller));
    }

    ~GuiStage() { shell.detach(); }

    // Hands an answer to the client and waits until the pass has listed every enclosure.
    bool feed(const QList<raiddoc::Enclosure>& enclosures)
    {
        controller->client().handleReadBytes(raiddoc::configAnswer(enclosures));
        return QTest::qWaitFor([&] {
            return controller->targetNames().size() == enclosures.size() &&
                   !controller->pass().isPassRunning();
        });
    }

    static raiddoc::Enclosure enclosure(const QString& serial, bool drive1Plugged = true)
    {
        raiddoc::Enclosure e;
        e.serial = serial;
        e.drives = {
            raiddoc::drive(QStringLiteral("Left"), QStringLiteral("100"), QStringLiteral("1000")),
            raiddoc::drive(QStringLiteral("Right"), QStringLiteral("500"), QStringLiteral("500"), 0,
                           QStringLiteral("0"), drive1Plugged)};
        return e;
    }

    QTemporaryDir dir;
    std::unique_ptr<DefaultsStore> store;
    GuiShell shell;
    std::unique_ptr<AppController> controller;
};
