// SPDX-License-Identifier: GPL-3.0-or-later
#include "actions/processrunner.h"

#include <QEventLoop>
#include <QObject>
#include <QProcess>
#include <QTimer>

Q_LOGGING_CATEGORY(lcActions, "tamro.monitor")

namespace {

// How long a killed program gets to be reaped; SIGKILL ends it at once.
constexpr int kReapMs = 5000;

void prepare(QProcess& process, const ProcessRequest& request)
{
    process.setProgram(request.program);
    process.setArguments(request.arguments);
    process.setProcessChannelMode(request.mergeChannels ? QProcess::MergedChannels
                                                        : QProcess::SeparateChannels);
}

void feedInput(QProcess& process, const ProcessRequest& request)
{
    for (const QByteArrayView line : request.inputLines) {
        if (!line.isEmpty())
            process.write(line.data(), line.size());
        process.write("\n", 1);
    }
    process.closeWriteChannel();
}

void stopAndReap(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(kReapMs);
}

void collect(QProcess& process, ProcessOutcome& outcome)
{
    outcome.standardOutput = process.readAllStandardOutput();
    if (process.processChannelMode() != QProcess::MergedChannels)
        outcome.standardError = process.readAllStandardError();
    if (outcome.ended())
        outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

namespace ProcessRunner {

ProcessOutcome runInEventLoop(const ProcessRequest& request)
{
    ProcessOutcome outcome;
    QProcess process;
    prepare(process, request);

    QEventLoop loop;
    bool finished = false;
    bool failedToStart = false;
    QObject::connect(&process, &QProcess::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            failedToStart = true;
            loop.quit();
        }
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        outcome.timedOut = true;
        loop.quit();
    });

    process.start();
    if (process.state() != QProcess::NotRunning)
        feedInput(process, request);
    if (!finished && !failedToStart && process.state() != QProcess::NotRunning) {
        if (request.timeoutMs > 0)
            limit.start(request.timeoutMs);
        loop.exec();
    }
    limit.stop();

    outcome.started = !failedToStart;
    if (process.state() != QProcess::NotRunning) {
        if (!outcome.timedOut)
            outcome.abandoned = true;
        stopAndReap(process);
    }
    collect(process, outcome);
    return outcome;
}

ProcessOutcome runBlocking(const ProcessRequest& request)
{
    ProcessOutcome outcome;
    QProcess process;
    prepare(process, request);
    const int limit = request.timeoutMs > 0 ? request.timeoutMs : -1;

    process.start();
    if (!process.waitForStarted(limit)) {
        outcome.started = process.error() != QProcess::FailedToStart;
        if (outcome.started)
            outcome.timedOut = true;
        stopAndReap(process);
        collect(process, outcome);
        return outcome;
    }
    outcome.started = true;
    feedInput(process, request);
    if (!process.waitForFinished(limit) && process.state() != QProcess::NotRunning) {
        outcome.timedOut = true;
        stopAndReap(process);
    }
    collect(process, outcome);
    return outcome;
}

} // namespace ProcessRunner
