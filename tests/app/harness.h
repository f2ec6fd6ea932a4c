// SPDX-License-Identifier: GPL-3.0-or-later
// A controller wired to recording presenters, a store in a temporary folder, stand-in mail and
// sudo programs that write what they were asked into a shared file, and builders of the
// storage service's documents. Documents are fed to the real client, so every pass runs the
// real parsing, hand-off, event log and mail code.
#pragma once

#include "actions/shutdown.h"
#include "app/appcontroller.h"
#include "platform/modalgate.h"
#include "settings/defaultsstore.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace tamro::test {

// ---------------------------------------------------------------- recording presenters

struct Notice
{
    NoticeKind kind;
    QString title;
    QString text;
};

class RecordingStatus : public StatusPresenter
{
public:
    void setStatusIcon(int status) override { icons << status; }
    void showStatus(const StatusDisplay&) override { ++shown; }
    void deviceListReloaded(int selectedRow) override { reloadedRows << selectedRow; }
    void notify(NoticeKind kind, const QString& title, const QString& text) override
    {
        notices.push_back({kind, title, text});
    }
    void setSummary(const QString& text) override { summary = text; }

    QList<int> icons;
    int shown = 0;
    QList<int> reloadedRows;
    QList<Notice> notices;
    QString summary;
};

class RecordingModal : public ModalPresenter
{
public:
    void alert(const QString& message, bool critical) override
    {
        ModalScope scope;
        alerts << message;
        criticalAlerts << critical;
        if (onAlert)
            onAlert();
    }
    void displayPanel(const QString& text) override
    {
        ModalScope scope;
        panels << text;
    }
    int runQuitPanel(const QString& text) override
    {
        ModalScope scope;
        quitTexts << text;
        if (quitAnswers.empty())
            return 0;
        const int answer = quitAnswers.front();
        quitAnswers.pop_front();
        return answer;
    }
    std::optional<QString> runPasswordPanel(const QString& status) override
    {
        ModalScope scope;
        passwordStatuses << status;
        if (passwordAnswers.empty())
            return std::nullopt;
        std::optional<QString> answer = passwordAnswers.front();
        passwordAnswers.pop_front();
        return answer;
    }
    std::optional<QString> runSaveDialog(const QString&) override { return std::nullopt; }

    QStringList alerts;
    QList<bool> criticalAlerts;
    std::function<void()> onAlert; // runs while the alert is up
    QStringList panels;
    QStringList quitTexts;
    std::deque<int> quitAnswers;
    QStringList passwordStatuses;
    std::deque<std::optional<QString>> passwordAnswers;
};

class RecordingWindows : public WindowPresenter
{
public:
    void showStatusWindow() override { calls << QStringLiteral("showStatus"); }
    void closeStatusWindow() override { calls << QStringLiteral("closeStatus"); }
    void showSettingsWindow() override { calls << QStringLiteral("showSettings"); }
    void closeSettingsWindow() override { calls << QStringLiteral("closeSettings"); }
    void commitSettingsEditing() override { calls << QStringLiteral("commit"); }
    void showLogWindow() override { calls << QStringLiteral("showLog"); }
    void closeLogWindow() override { calls << QStringLiteral("closeLog"); }
    QStringList calls;
};

class RecordingSystem : public SystemPort
{
public:
    void terminate() override { ++terminations; }
    bool openWithDefaultApplication(const QString& path) override
    {
        opened << path;
        return true;
    }
    int terminations = 0;
    QStringList opened;
};

// ---------------------------------------------------------------- documents of the service

// A text as the service's code list: "70, 97" for "Fa".
inline QString codeList(const QString& text)
{
    QStringList codes;
    for (const QChar c : text)
        codes << QString::number(c.unicode());
    return codes.join(QStringLiteral(", "));
}

struct DriveSpec
{
    int id = 0;
    bool present = true; // false: no SVPhysDrive element at all
    int pluggedIn = 1;
    int failed = 0; // non-zero: written as the Failed attribute, else left out
    int status = 0;
    QString progress = QStringLiteral("0");
    QString model = QStringLiteral("ST3500630AS");
    QString capacity = QStringLiteral("465.76");
    QString actual = QStringLiteral("465.76");
};

struct BoxSpec
{
    QString serial;
    std::optional<QString> rebuild = QStringLiteral("Normal"); // nothing: no attribute
    int mode = 1;
    QString friendly = QStringLiteral("RAID 1"); // empty: no SVPartialVolume
    DriveSpec drive0{0};
    DriveSpec drive1{1};

    BoxSpec& unplug(int drive)
    {
        (drive == 0 ? drive0 : drive1).pluggedIn = 0;
        return *this;
    }
    // Attached, but reported failed.
    BoxSpec& fail(int drive)
    {
        (drive == 0 ? drive0 : drive1).failed = 1;
        return *this;
    }
    // A rebuild under way, drive 1 being written.
    BoxSpec& rebuilding(const QString& progress = QStringLiteral("30"))
    {
        rebuild = QStringLiteral("Rebuilding");
        drive1.status = 2;
        drive1.progress = progress;
        return *this;
    }
    BoxSpec& withMode(int m)
    {
        mode = m;
        return *this;
    }
};

inline BoxSpec healthyBox(const QString& serial)
{
    BoxSpec box;
    box.serial = serial;
    return box;
}

inline QByteArray answer(const QList<BoxSpec>& boxes, int eResult = 0,
                         const QString& execInfo = QStringLiteral("Retrieved configuration."),
                         const QString& root = QStringLiteral("SVConfigCmd"))
{
    const auto attr = [](const QString& name, const QString& value) {
        return QStringLiteral(" %1=\"%2\"").arg(name, value);
    };
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<") + root +
                  attr(QStringLiteral("eResult"), QString::number(eResult));
    if (!execInfo.isEmpty())
        xml += attr(QStringLiteral("ExecInfo"), codeList(execInfo));
    xml += QStringLiteral("><SVSystem Version=\"1\"/>");
    for (const BoxSpec& box : boxes) {
        xml +=
            QStringLiteral("<SVBox") + attr(QStringLiteral("SerialNumber"), codeList(box.serial));
        if (box.rebuild)
            xml += attr(QStringLiteral("BoxRebuildStatus"), codeList(*box.rebuild));
        xml += QStringLiteral(">");
        for (const DriveSpec& drive : {box.drive0, box.drive1}) {
            if (!drive.present)
                continue;
            xml += QStringLiteral("<SVPhysDrive") +
                   attr(QStringLiteral("id"), QString::number(drive.id)) +
                   attr(QStringLiteral("SerialNumber"),
                        codeList(QStringLiteral("WD%1").arg(drive.id))) +
                   attr(QStringLiteral("ModelName"), codeList(drive.model)) +
                   attr(QStringLiteral("PluggedIn"), QString::number(drive.pluggedIn)) +
                   attr(QStringLiteral("ActualCapacity_GB"), drive.actual);
            if (drive.failed != 0)
                xml += attr(QStringLiteral("Failed"), QString::number(drive.failed));
            xml += QStringLiteral("/>");
            xml += QStringLiteral("<SVPhysPartition") +
                   attr(QStringLiteral("Capacity_GB"), drive.capacity) +
                   attr(QStringLiteral("Status"), QString::number(drive.status)) +
                   attr(QStringLiteral("RebuildProgress"), drive.progress) + QStringLiteral("/>");
        }
        if (!box.friendly.isEmpty()) {
            xml += QStringLiteral("<SVPartialVolume") +
                   attr(QStringLiteral("mode"), QString::number(box.mode)) +
                   attr(QStringLiteral("FriendlyMode"), codeList(box.friendly)) +
                   attr(QStringLiteral("Capacity_GB"), box.drive0.capacity) + QStringLiteral("/>");
        }
        xml += QStringLiteral("</SVBox>");
    }
    xml += QStringLiteral("</") + root + QStringLiteral(">\r\n");
    return xml.toUtf8();
}

// An event message about an enclosure; MsgIdx 13 removes it.
inline QByteArray eventMessage(int msgIdx, const QString& serial)
{
    return QStringLiteral(
               "<SVEventLogCmd><SVEvent MsgIdx=\"%1\" BoxSN=\"%2\"/></SVEventLogCmd>\r\n")
        .arg(msgIdx)
        .arg(codeList(serial))
        .toUtf8();
}

// The event message that removes an enclosure.
inline QByteArray removalEvent(const QString& serial)
{
    return eventMessage(13, serial);
}

// A document that frames as one but does not parse (an attribute given twice).
inline QByteArray brokenDocument()
{
    return QByteArrayLiteral(
        "<SVConfigCmd eResult=\"0\"><SVSystem a=\"1\" a=\"2\"/></SVConfigCmd>\r\n");
}

// ---------------------------------------------------------------- the harness

// Intervals short enough that tests never wait, long ones for timers a test must not see fire.
inline ControllerTiming fastTiming()
{
    ControllerTiming timing;
    timing.rescanMs = 3600000;
    timing.loginMs = 3600000;
    timing.refetchMs = 3600000;
    timing.handOffIdleMs = 1;
    timing.handOffBusyMs = 2;
    timing.answerMs = 3600000;
    timing.unfinishedMs = 3600000;
    timing.mailTimeoutMs = 20000;
    timing.sudoTimeoutMs = 20000;
    return timing;
}

// A loopback port with nothing listening on it.
inline quint16 unusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

inline bool writeScript(const QString& path, const QString& body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(body.toUtf8());
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                               QFileDevice::ExeOwner);
}

class Harness
{
public:
    explicit Harness(const ControllerTiming& timing = fastTiming(),
                     const std::function<void(ControllerConfig&)>& adjust = {})
    {
        eventsPath = dir.filePath(QStringLiteral("events.txt"));
        // The mail tool: one line "mail <body>" with the body's line feeds as "|"; it waits
        // while a "hold" file exists, after writing "mail-started".
        writeScript(dir.filePath(QStringLiteral("popbsmtp")),
                    QStringLiteral("#!/bin/sh\n"
                                   "d=\"$(dirname \"$0\")\"\n"
                                   "body=\"\"; prev=\"\"\n"
                                   "for a in \"$@\"; do [ \"$prev\" = \"-m\" ] && body=\"$a\"; "
                                   "prev=\"$a\"; done\n"
                                   "touch \"$d/mail-started\"\n"
                                   "while [ -f \"$d/hold\" ]; do sleep 0.01; done\n"
                                   "printf 'mail %s\\n' \"$(printf '%s' \"$body\" | tr '\\n' "
                                   "'|')\" >> \"$d/events.txt\"\n"
                                   "echo 'Email was sent successfully!'\n"));
        // sudo: one line "sudo <arguments>"; the check command answers as echo would.
        writeScript(dir.filePath(QStringLiteral("sudo")),
                    QStringLiteral("#!/bin/sh\n"
                                   "d=\"$(dirname \"$0\")\"\n"
                                   "echo \"sudo $*\" >> \"$d/events.txt\"\n"
                                   "if [ \"$1\" = \"-S\" ]; then read -r pw || true; fi\n"
                                   "if [ \"$2\" = \"echo\" ]; then echo \"$3\"; fi\n"));
        store = std::make_unique<DefaultsStore>(dir.filePath(QStringLiteral("settings.ini")));

        ControllerConfig config;
        config.status = &status;
        config.modal = &modal;
        config.windows = &windows;
        config.system = &system;
        config.store = store.get();
        config.timing = timing;
        config.servicePort = unusedPort();
        config.versionQuery = [] { return std::optional<quint32>(0x1039); };
        config.mailToolPath = dir.filePath(QStringLiteral("popbsmtp"));
        config.helpFolder = dir.filePath(QStringLiteral("help"));
        config.sudoProgram = dir.filePath(QStringLiteral("sudo"));
        config.executablePath = dir.filePath(QStringLiteral("tamro-raid-monitor"));
        if (adjust)
            adjust(config);
        controller = std::make_unique<AppController>(config);
        QObject::connect(controller.get(), &AppController::passFinished, [this] { ++passes; });
    }

    // init, then the event log in the temporary folder and every option off.
    bool start()
    {
        if (!controller->init())
            return false;
        controller->form().setText(SettingsForm::Text::LogFilePath,
                                   dir.filePath(QStringLiteral("log.csv")));
        controller->flags() = AppController::Flags{};
        return true;
    }

    AppController& c() { return *controller; }

    // Feeds one read to the client and waits until its pass has run and nothing is pending.
    bool feed(const QByteArray& bytes, int expectedPasses = 1)
    {
        const int target = passes + expectedPasses;
        controller->client().handleReadBytes(bytes);
        return settle(target);
    }
    bool settle(int targetPasses)
    {
        return QTest::qWaitFor([&] {
            return passes >= targetPasses && controller->client().pendingHandOffs() == 0 &&
                   !controller->pass().isPassRunning();
        });
    }

    // The last column (or the last columns, joined by ",") of the event log rows written
    // since the last call, oldest first.
    QStringList newLogRows(int columns = 1)
    {
        const QStringList& entries = controller->eventLog().entries();
        QStringList rows;
        const int fresh = int(entries.size()) - 1 - seenRows;
        for (int r = fresh; r >= 1; --r) {
            QString line = entries.at(r);
            while (line.endsWith(u'\n') || line.endsWith(u'\r'))
                line.chop(1);
            rows << line.section(u',', -columns);
        }
        seenRows = qMax(0, int(entries.size()) - 1);
        return rows;
    }

    // What the mail tool and sudo were asked since the last call, in order.
    QStringList newEvents()
    {
        QFile file(eventsPath);
        QStringList lines;
        if (file.open(QIODevice::ReadOnly))
            lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        const QStringList fresh = lines.mid(seenEvents);
        seenEvents = int(lines.size());
        return fresh;
    }

    // Holds a checked administrator password (the stand-in sudo accepts any) and arms the
    // shutdown; what sudo was asked for the check is consumed.
    bool armShutdown()
    {
        modal.passwordAnswers.push_back(QStringLiteral("secret"));
        const bool held = controller->shutdownAction().getRootPwd();
        controller->flags()._isShutdown = held;
        newEvents();
        modal.panels.clear();
        return held;
    }

    QTemporaryDir dir;
    QString eventsPath;
    RecordingStatus status;
    RecordingModal modal;
    RecordingWindows windows;
    RecordingSystem system;
    std::unique_ptr<DefaultsStore> store;
    std::unique_ptr<AppController> controller;
    int passes = 0;
    int seenRows = 0;
    int seenEvents = 0;
};

} // namespace tamro::test
