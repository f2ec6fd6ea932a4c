// SPDX-License-Identifier: GPL-3.0-or-later
// The administrator password and the shutdown after a finished rebuild: the password panel
// and its check through sudo, the settings window's shutdown box, and the shutdown itself.
#pragma once

#include <QString>
#include <QStringList>

class ModalPresenter;
class SettingsForm;

class ShutdownAction
{
public:
    // What the action works with, handed over by the controller that owns it.
    struct Setup
    {
        ModalPresenter* modal = nullptr; // the password panel and the notice that it was taken
        SettingsForm* form = nullptr;    // the shutdown box, unticked when no password is held
        QString sudoProgram = QStringLiteral("sudo"); // found on PATH
        int sudoTimeoutMs = 60000; // a sudo command still running then is stopped
    };

    explicit ShutdownAction(Setup setup);

    // The shutdown box was clicked: ticked, it asks for the password, and stays ticked only
    // when a checked one is held.
    void w1_GetRootPassword();
    // True when a checked password is held, asking for one (again after a wrong one) until
    // the user cancels.
    bool getRootPwd();
    // Runs sudo with the arguments, the password once on its standard input, standard
    // error joined to standard output; the count of line ends it printed (0 when it could
    // not be started).
    int doExecLog(const QStringList& sudoArguments);
    void execShutdown();
    bool hasRootPassword() const;

private:
    Setup _setup;
};
