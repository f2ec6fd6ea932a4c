// SPDX-License-Identifier: GPL-3.0-or-later
// tamro-storage-sim: a stand-in for the local storage service, for tests and demonstrations.
#include "simserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

const char* const ExtraHelp = R"HELP(
The service port answers "<SVConfigCmd/>\r\n" and "<SVScanDevicesCmd/>\r\n" with one
configuration document of all enclosures (root element named after the command, ending in
CR LF) and keeps the connection open. On every change of state every connected client gets
an event message "<SVEventLogCmd><SVEvent MsgIdx="5" BoxSN="..."/></SVEventLogCmd>\r\n"
(MsgIdx 13 when an enclosure is removed), then, after --gap-ms, a fresh configuration.
Text values are code lists: decimal character codes joined by ", ".

Standard output carries only "control <port>" (with --control-port) and then
"listening <port>" once the service is ready; diagnostics go to standard error, "sim: ...".

Scenario file (JSON; every key optional):
  {
    "eresult": 0,
    "execinfo": "Retrieved configuration.",
    "enclosures": [                      (absent: two healthy enclosures)
      { "serial": "100001",              (1 to 9 decimal digits, unique by value)
        "product": "SIM RAID Enclosure", "model": "SimDisk 500GB",
        "rebuild_status": "Normal", "mode": 1, "friendly_mode": "RAID 1 (Mirroring)",
        "capacity_gb": 465.76, "rebuild_drive": 1,
        "drives": [ { "plugged": true, "serial": "SD1000010", "model": "SimDisk 500GB",
                      "capacity_gb": 500.11, "partition_gb": 465.76,
                      "status": 0, "progress": 0 }, { ... } ] } ],
    "timeline": [ { "at_ms": 1000, "cmd": "unplug 0 1" }, ... ]
  }
  Timeline entries run in time order, at at_ms / --speed after start (or after the first
  client connects, with --wait-client).

Control commands (one per line, from the control port or standard input; the reply is
"ok" or "error: <reason>", on the control socket or as "sim: ..." on standard error).
<encl> is the 0-based enclosure position, <drive> is 0 or 1:
  plug <encl> <drive> [rebuild]
                               plug a drive in (it becomes the drive a rebuild runs on);
                               with "rebuild" its rebuild starts at 0 in the same change
  unplug <encl> <drive>        pull a drive (listed with PluggedIn="0" and empty values)
  fail <encl> <drive>          a plugged-in drive fails in place (it stays listed with its
                               values and gets Failed="1")
  repair <encl> <drive>        the failed drive works again (Failed is left out again)
  rebuild <encl> <progress> [1|2]
                               box status "Rebuilding"; the rebuild drive gets Status 1
                               (or 2) and RebuildProgress <progress> (0..100)
  progress <encl> <value>      set the rebuild progress of a rebuilding enclosure
  finish <encl>                box status "Normal", drive Status 0, progress 0
  drive-status <encl> <drive> <n>
                               set a drive's Status (3 marks a failed drive)
  box-status <encl> <text>     set the box rebuild status text
  mode <encl> <n> [text]       set the volume mode and its friendly text (may be empty)
  eresult <n>                  eResult of later documents (no push)
  execinfo <text>              ExecInfo of later documents (no push; may be empty)
  add <serial> [model...]      add a healthy enclosure at the end
  remove <encl>                remove an enclosure: MsgIdx 13 event, then configuration
  event <msgidx> <serial>      push one event message only (no configuration)
  push [encl]                  push an event for <encl> (default 0) and a configuration
  raw <text>, raw-text <text>  send bytes to every client; escapes \r \n \t \0 \\ \xHH
  raw-hex <hex>                send bytes given as hex digit pairs (spaces allowed)
  trail <text>                 append bytes (escapes as for raw) to the next configuration
                               document sent, in the same write; once
  garbage <n>                  send n random bytes
  big <n>                      send a well-formed configuration padded to exactly n bytes
  split <n>                    write later output in chunks of n bytes, --chunk-delay-ms
                               apart (0 = off)
  coalesce on|off              write event and configuration in one write
  silent on|off                accept connections but answer and push nothing
                               (raw, garbage and big are still sent)
  drop                         close every client connection
  status                       print the state, then "ok"
  quit                         stop the simulator
Every change except eresult/execinfo pushes to every connected client. Standard input
reaching its end does not stop the simulator.
)HELP";

bool readNumber(const QCommandLineParser& parser, const QString& name, double min, double max,
                double* value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double v = parser.value(name).toDouble(&ok);
    if (!ok || v < min || v > max) {
        std::fprintf(stderr, "sim: invalid --%s value \"%s\"\n", name.toLocal8Bit().constData(),
                     parser.value(name).toLocal8Bit().constData());
        return false;
    }
    *value = v;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // A client or a reader of our output going away must not kill the service.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tamro-storage-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulates the local storage service on 127.0.0.1 for the monitor."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Service port (default 51115; 0 = any free)."),
         QStringLiteral("N")},
        {QStringLiteral("control-port"),
         QStringLiteral("Open a line-based control channel on 127.0.0.1:N (0 = any free)."),
         QStringLiteral("N")},
        {QStringLiteral("scenario"), QStringLiteral("Load enclosures and timeline from FILE."),
         QStringLiteral("FILE")},
        {QStringLiteral("speed"), QStringLiteral("Divide timeline times by F (default 1)."),
         QStringLiteral("F")},
        {QStringLiteral("no-timeline"),
         QStringLiteral("Load the scenario's timeline but never run it.")},
        {QStringLiteral("wait-client"),
         QStringLiteral("Start the timeline when the first client connects.")},
        {QStringLiteral("gap-ms"),
         QStringLiteral("Pause between an event message and its configuration (default 50)."),
         QStringLiteral("MS")},
        {QStringLiteral("chunk-delay-ms"),
         QStringLiteral("Pause between chunks in split mode (default 20)."), QStringLiteral("MS")},
        {QStringLiteral("no-stdin"), QStringLiteral("Do not read control commands from stdin.")},
    });
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "sim: %s (see --help)\n",
                     parser.errorText().toLocal8Bit().constData());
        return 2;
    }
    if (parser.isSet(help)) {
        std::printf("%s%s", parser.helpText().toLocal8Bit().constData(), ExtraHelp);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "sim: unexpected argument \"%s\" (see --help)\n",
                     parser.positionalArguments().constFirst().toLocal8Bit().constData());
        return 2;
    }

    tamro::sim::SimOptions options;
    double port = options.port;
    double controlPort = options.controlPort;
    double gap = options.gapMs;
    double chunkDelay = options.chunkDelayMs;
    if (!readNumber(parser, QStringLiteral("port"), 0, 65535, &port) ||
        !readNumber(parser, QStringLiteral("control-port"), 0, 65535, &controlPort) ||
        !readNumber(parser, QStringLiteral("speed"), 1e-6, 1e9, &options.speed) ||
        !readNumber(parser, QStringLiteral("gap-ms"), 0, 60000, &gap) ||
        !readNumber(parser, QStringLiteral("chunk-delay-ms"), 0, 60000, &chunkDelay))
        return 2;
    options.port = quint16(port);
    options.controlPort = int(controlPort);
    options.gapMs = int(gap);
    options.chunkDelayMs = int(chunkDelay);
    options.scenarioFile = parser.value(QStringLiteral("scenario"));
    options.runTimeline = !parser.isSet(QStringLiteral("no-timeline"));
    options.waitForClient = parser.isSet(QStringLiteral("wait-client"));
    options.readStdin = !parser.isSet(QStringLiteral("no-stdin"));

    tamro::sim::SimServer server(options);
    if (const QString error = server.loadScenario(); !error.isEmpty()) {
        std::fprintf(stderr, "sim: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    if (const QString error = server.start(); !error.isEmpty()) {
        std::fprintf(stderr, "sim: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return QCoreApplication::exec();
}
