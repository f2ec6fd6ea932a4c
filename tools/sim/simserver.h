// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated storage service's TCP side: it answers configuration and device-scan commands,
// pushes event messages and fresh configurations on every change, runs a scenario's timeline
// and takes control commands from a control socket and from standard input.
#pragma once

#include "simstate.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTimer>

class QSocketNotifier;
class QTcpSocket;

namespace tamro::protocol {
class ClientLink;
}

namespace tamro::sim {

using protocol::ClientLink;

struct SimOptions
{
    quint16 port = 51115;
    int controlPort = -1; // -1: no control socket; 0: any free port
    bool readStdin = true;
    QString scenarioFile;
    double speed = 1.0;
    bool runTimeline = true;
    bool waitForClient = false;
    int gapMs = 50;        // pause between an event message and the configuration after it
    int chunkDelayMs = 20; // pause between chunks in split mode
};

struct TimelineEntry
{
    qint64 atMs = 0;
    QString command;
};

class SimServer : public QObject
{
public:
    explicit SimServer(const SimOptions& options, QObject* parent = nullptr);
    ~SimServer() override;

    // Reads the scenario file named in the options, if any; returns an error text.
    QString loadScenario();
    // Opens the service port (and the control port); returns an error text. On success prints
    // "control <port>" (when asked for) and then "listening <port>" to standard output.
    QString start();

    // Runs one control command line; returns the reply lines, the last one "ok" or "error: ...".
    QStringList execute(const QString& line);

private:
    enum class Root { Config, Scan };

    void onNewClient();
    void onClientData(ClientLink* link);
    void answer(ClientLink* link, const QByteArray& element);
    void onNewControl();
    void onControlData(QTcpSocket* socket);
    void onStdin();
    void runStdinLine(const QString& line);

    void pushOutcome(const SimOutcome& outcome);
    void sendToAll(const QByteArray& bytes, int pauseAfterMs, const char* what);
    void send(ClientLink* link, const QByteArray& bytes, int pauseAfterMs);
    QStringList executeServerCommand(const QStringList& words, const QString& line, bool* handled);

    void startTimeline();
    void runDueTimeline();

    static void log(const QString& text);

    SimOptions _options;
    SimState _state;
    QTcpServer _server;
    QTcpServer _controlServer;
    QList<QPointer<ClientLink>> _clients;
    QSocketNotifier* _stdinNotifier = nullptr;
    QByteArray _stdinBuffer;

    QList<TimelineEntry> _timeline;
    qsizetype _timelineNext = 0;
    bool _timelineStarted = false;
    QElapsedTimer _timelineClock;
    QTimer _timelineTimer;

    QByteArray _trail; // sent right after the next configuration document
    bool _silent = false;
    bool _coalesce = false;
    int _splitSize = 0;
    int _nextClientId = 1;
};

} // namespace tamro::sim
