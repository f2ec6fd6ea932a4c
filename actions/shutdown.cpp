// SPDX-License-Identifier: GPL-3.0-or-later
// The administrator password and the shutdown after a finished rebuild. sudo is started
// directly with its arguments (never through a shell) and reads the password from its
// standard input, so no character of the password can ever be taken as a command. Each sudo
// run blocks the thread up to the sudo time limit and is then stopped; a check stopped that
// way has not vouched for the password, which is then refused like a wrong one. A sudo that
// cannot be started prints nothing, so a non-empty password is then taken unchecked.
#include "actions/shutdown.h"

#include "actions/processrunner.h"
#include "platform/ports.h"
#include "settings/settingsform.h"
#include "util/secretbytes.h"

#include <optional>
#include <utility>

namespace {

struct SudoResult
{
    int lineEnds = 0;
    bool timedOut = false;
};

// Runs sudo, the held password (when there is one) once on its standard input, standard
// error joined to standard output; counts the line feeds it printed. Blocks the thread.
SudoResult runSudo(const QString& program, const QStringList& arguments, bool withPassword,
                   int timeoutMs)
{
    ProcessRequest request;
    request.program = program;
    request.arguments = arguments;
    request.mergeChannels = true;
    request.timeoutMs = timeoutMs;
    const RootPassword& root = RootPassword::instance();
    if (withPassword && root.isHeld())
        request.inputLines.push_back(root.bytes().view());
    const ProcessOutcome outcome = ProcessRunner::runBlocking(request);
    if (!outcome.started)
        qCWarning(lcActions) << "could not start" << program << arguments.join(u' ');
    else if (outcome.timedOut)
        qCWarning(lcActions) << program << arguments.join(u' ') << "still running after"
                             << timeoutMs << "ms: stopped";
    SudoResult result;
    result.lineEnds = int(outcome.standardOutput.count('\n'));
    result.timedOut = outcome.timedOut;
    return result;
}

const QStringList kForgetArguments{QStringLiteral("-k")};
const QStringList kCheckArguments{QStringLiteral("-S"), QStringLiteral("echo"),
                                  QStringLiteral("OK!")};
const QStringList kShutdownArguments{QStringLiteral("-S"), QStringLiteral("shutdown"),
                                     QStringLiteral("-h"), QStringLiteral("now")};

} // namespace

ShutdownAction::ShutdownAction(Setup setup) : _setup(std::move(setup)) {}

bool ShutdownAction::hasRootPassword() const
{
    return RootPassword::instance().isHeld();
}

int ShutdownAction::doExecLog(const QStringList& sudoArguments)
{
    return runSudo(_setup.sudoProgram, sudoArguments, true, _setup.sudoTimeoutMs).lineEnds;
}

bool ShutdownAction::getRootPwd()
{
    RootPassword& root = RootPassword::instance();
    QString status = qtTrId("MSG_EnterPassword1");
    for (;;) {
        if (root.isHeld())
            return true;
        if (!_setup.modal)
            return false;
        std::optional<QString> entered = _setup.modal->runPasswordPanel(status);
        if (!entered)
            return false;
        root.hold(*entered);
        entered.reset();

        // Forget sudo's cached credentials so the check below really asks for the password.
        runSudo(_setup.sudoProgram, kForgetArguments, false, _setup.sudoTimeoutMs);
        const SudoResult check =
            runSudo(_setup.sudoProgram, kCheckArguments, true, _setup.sudoTimeoutMs);
        // More than two lines means sudo complained. A check that never ended has not
        // vouched for the password either.
        if (check.lineEnds > 2 || check.timedOut || root.bytes().isEmpty()) {
            root.release();
            status = qtTrId("MSG_EnterPassword2");
            continue;
        }
        _setup.modal->displayPanel(qtTrId("MSG_PasswordOK"));
    }
}

void ShutdownAction::w1_GetRootPassword()
{
    if (_setup.form->isChecked(SettingsForm::Box::Shutdown) && !getRootPwd())
        _setup.form->setChecked(SettingsForm::Box::Shutdown, false);
}

void ShutdownAction::execShutdown()
{
    if (!hasRootPassword()) {
        // The option cannot be armed without a checked password; sudo would only fail.
        qCWarning(lcActions) << "shutdown requested without an administrator password";
        return;
    }
    doExecLog(kShutdownArguments);
}
