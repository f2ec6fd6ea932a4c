// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/commandline.h"

#include <QCommandLineParser>

CommandLine CommandLine::parse(QCommandLineParser& parser, const QStringList& arguments)
{
    parser.setApplicationDescription(QStringLiteral(
        "TAMRO RAID MONITOR watches two-drive RAID enclosures through the local storage\n"
        "service and shows their state in the tray. Without options it starts the monitor;\n"
        "when one runs already, that one shows its status window instead.\n"
        "\n"
        "Exit status of --status: 0 all well; 1 a problem, a rebuild, or nothing known yet;\n"
        "2 the storage service cannot be reached; 3 no monitor is running."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("Run without a display: no windows; every notice panel and alert is "
                       "answered at once and written to standard error."));
    const QCommandLineOption status(
        QStringLiteral("status"),
        QStringLiteral("Print the state of the running monitor's enclosures and exit."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("With --status: print it as one JSON document."));
    const QCommandLineOption rescan(QStringLiteral("rescan"),
                                    QStringLiteral("Ask the running monitor to scan the devices "
                                                   "again."));
    const QCommandLineOption show(QStringLiteral("show"),
                                  QStringLiteral("Ask the running monitor to show its status "
                                                 "window."));
    parser.addOptions({help, version, headless, status, json, rescan, show});

    CommandLine line;
    const auto fail = [&line](const QString& error) {
        line.action = Action::Error;
        line.error = error;
        return line;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"")
                        .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help)) {
        line.action = Action::Help;
        return line;
    }
    if (parser.isSet(version)) {
        line.action = Action::Version;
        return line;
    }
    const int requests =
        int(parser.isSet(status)) + int(parser.isSet(rescan)) + int(parser.isSet(show));
    if (requests > 1)
        return fail(QStringLiteral("--status, --rescan and --show go one at a time"));
    if (parser.isSet(json) && !parser.isSet(status))
        return fail(QStringLiteral("--json goes with --status"));
    if (requests > 0 && parser.isSet(headless))
        return fail(QStringLiteral("--headless runs a monitor; it does not go with --%1")
                        .arg(parser.isSet(status)   ? QStringLiteral("status")
                             : parser.isSet(rescan) ? QStringLiteral("rescan")
                                                    : QStringLiteral("show")));
    line.headless = parser.isSet(headless);
    line.json = parser.isSet(json);
    if (parser.isSet(status))
        line.action = Action::Status;
    else if (parser.isSet(rescan))
        line.action = Action::Rescan;
    else if (parser.isSet(show))
        line.action = Action::Show;
    return line;
}

QString CommandLine::versionText()
{
    return QStringLiteral("tamro-raid-monitor " TAMRO_VERSION);
}
