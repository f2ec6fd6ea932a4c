// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end harness: starts the real simulator, a real SMTP server and the real monitor
// executable as separate processes, with settings written into the test's temporary home
// first, and reads what a user would see: the CSV event log, the mails received, and
// whether the monitor still runs. The monitor runs with --headless; its icon state is read
// from its diagnostic log category on standard error ("icon: grey|green|red ...").
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <memory>

#include <csignal>
#include <sys/prctl.h>

namespace e2e {

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(20);
    }
    return true;
}

// A child process whose output lines are collected as they come.
class Child
{
public:
    explicit Child(QString name) : _name(std::move(name))
    {
        QObject::connect(&_process, &QProcess::readyReadStandardOutput,
                         [this] { _out += QString::fromUtf8(_process.readAllStandardOutput()); });
        QObject::connect(&_process, &QProcess::readyReadStandardError,
                         [this] { _err += QString::fromUtf8(_process.readAllStandardError()); });
    }
    ~Child() { stop(); }

    QProcess& process() { return _process; }
    const QString& out() const { return _out; }
    const QString& err() const { return _err; }
    bool running() const { return _process.state() == QProcess::Running; }

    bool start(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
    {
        _process.setProcessEnvironment(env);
        // A child never outlives the test, even one killed before its clean-up.
        _process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        _process.start(program, args);
        return _process.waitForStarted(10000);
    }
    // The first capture of pattern in standard output, waiting for it.
    QString waitOut(const QString& pattern, int timeoutMs = 15000)
    {
        const QRegularExpression re(pattern);
        QString found;
        waitUntil(
            [&] {
                const auto m = re.match(_out);
                if (m.hasMatch())
                    found = m.captured(1);
                return m.hasMatch();
            },
            timeoutMs);
        return found;
    }
    bool waitErr(const QString& pattern, int timeoutMs = 15000, qsizetype from = 0)
    {
        const QRegularExpression re(pattern);
        return waitUntil([&] { return re.match(_err.mid(from)).hasMatch(); }, timeoutMs);
    }
    int countErr(const QString& pattern) const
    {
        int n = 0;
        auto it = QRegularExpression(pattern).globalMatch(_err);
        while (it.hasNext()) {
            it.next();
            ++n;
        }
        return n;
    }
    void write(const QByteArray& line) { _process.write(line); }
    void stop()
    {
        if (_process.state() == QProcess::NotRunning)
            return;
        _process.terminate();
        if (!_process.waitForFinished(3000)) {
            _process.kill();
            _process.waitForFinished(3000);
        }
    }
    void kill()
    {
        _process.kill();
        _process.waitForFinished(3000);
    }

private:
    QString _name;
    QProcess _process;
    QString _out;
    QString _err;
};

struct Paths
{
    QString sim = QStringLiteral(TAMRO_SIM);
    QString monitor = QStringLiteral(TAMRO_MONITOR);
    QString sink = QStringLiteral(TAMRO_SMTP_SINK);
    QString python = QStringLiteral(TAMRO_PYTHON3);
    QString scenarios = QStringLiteral(TAMRO_SCENARIOS);
};

class Harness
{
public:
    explicit Harness(const QString& home) : _home(home)
    {
        _logPath = home + QStringLiteral("/logs/TAMRORAIDLOG.csv");
        _mailDir = home + QStringLiteral("/mail");
        QDir().mkpath(home + QStringLiteral("/logs"));
        QDir().mkpath(_mailDir);
    }

    const Paths paths;
    const QString& logPath() const { return _logPath; }
    // Where the test mail server puts its throw-away CA (ca.pem) and certificate.
    QString certDir() const { return _home + QStringLiteral("/cert"); }
    void setLogPath(const QString& path) { _logPath = path; }
    Child& sim() { return *_sim; }
    Child& monitor() { return *_monitor; }
    quint16 simPort() const { return _simPort; }
    quint16 smtpPort() const { return _smtpPort; }

    bool startSim(const QStringList& extra = {}, quint16 port = 0)
    {
        _sim = std::make_unique<Child>(QStringLiteral("sim"));
        QStringList args{QStringLiteral("--port"), QString::number(port)};
        args += extra;
        if (!_sim->start(paths.sim, args))
            return false;
        _simPort = quint16(_sim->waitOut(QStringLiteral("listening (\\d+)")).toUInt());
        return _simPort != 0;
    }
    void simCommand(const QString& line) { _sim->write(line.toUtf8() + '\n'); }

    // Another program serving the protocol in the simulator's place (the storage service), on
    // a port the caller chose; ready once the port takes a connection.
    bool startServer(const QString& program, const QStringList& args, quint16 port,
                     const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
    {
        _sim = std::make_unique<Child>(QStringLiteral("service"));
        if (!_sim->start(program, args, env))
            return false;
        _simPort = port;
        return waitUntil(
                   [&] {
                       QTcpSocket probe;
                       probe.connectToHost(QHostAddress::LocalHost, port);
                       return probe.waitForConnected(200) || !_sim->running();
                   },
                   15000) &&
               _sim->running();
    }

    bool startSmtp(const QStringList& extra = {})
    {
        _smtp = std::make_unique<Child>(QStringLiteral("smtp"));
        QStringList args{paths.sink, QStringLiteral("--dir"), _mailDir};
        args += extra;
        if (!_smtp->start(paths.python, args))
            return false;
        _smtpPort = quint16(_smtp->waitOut(QStringLiteral("SMTP (\\d+)")).toUInt());
        return _smtpPort != 0 && !_smtp->waitOut(QStringLiteral("(READY)")).isEmpty();
    }
    void stopSmtp()
    {
        if (_smtp)
            _smtp->stop();
    }

    // The settings file the monitor reads.
    static QString settingsPath()
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/TAMRO/TAMRO RAID MONITOR.conf");
    }

    // The settings file, written before the monitor starts: log on, mail on, notice panel off.
    void writeSettings(quint16 smtpPort, const QVariantMap& extra = {})
    {
        QSettings s(settingsPath(), QSettings::IniFormat);
        s.clear();
        s.setValue(QStringLiteral("MakeLog"), true);
        s.setValue(QStringLiteral("SendMail"), true);
        s.setValue(QStringLiteral("SendRebuildMail"), true);
        s.setValue(QStringLiteral("DispPanel"), false);
        s.setValue(QStringLiteral("AddLoginItem"), true);
        s.setValue(QStringLiteral("SMTPServer"), QStringLiteral("127.0.0.1"));
        s.setValue(QStringLiteral("SMTPPort"), QString::number(smtpPort));
        s.setValue(QStringLiteral("FromField"), QStringLiteral("monitor@example.com"));
        s.setValue(QStringLiteral("ToField1"), QStringLiteral("admin@example.com"));
        s.setValue(QStringLiteral("LogFilePath"), _logPath);
        for (auto it = extra.begin(); it != extra.end(); ++it)
            s.setValue(it.key(), it.value());
        s.sync();
    }

    bool startMonitor(const QStringList& extraEnv = {})
    {
        _monitor = std::make_unique<Child>(QStringLiteral("monitor"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TAMRO_SERVICE_PORT"), QString::number(_simPort));
        env.insert(QStringLiteral("TAMRO_TIMING_SCALE"), QStringLiteral("0.1"));
        env.insert(QStringLiteral("POPBSMTP_TIMEOUT"), QStringLiteral("3"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tamro.*.info=true"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
        for (const QString& kv : extraEnv) {
            const qsizetype eq = kv.indexOf(u'=');
            env.insert(kv.left(eq), kv.mid(eq + 1));
        }
        return _monitor->start(paths.monitor, {QStringLiteral("--headless")}, env);
    }

    // Event rows of the log file (header excluded), newest first.
    QStringList logRows() const
    {
        QFile f(_logPath);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        if (!lines.isEmpty())
            lines.removeFirst();
        return lines;
    }
    int countRows(const QString& lastColumn) const
    {
        int n = 0;
        for (const QString& row : logRows())
            n += row.endsWith(u',' + lastColumn) ? 1 : 0;
        return n;
    }
    // The SMTP sign-ins and senders the mail server saw.
    QByteArray smtpLog() const
    {
        QFile f(_mailDir + QStringLiteral("/smtp.log"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The received mails, oldest first, as their JSON records.
    QList<QJsonObject> mails() const
    {
        QList<QJsonObject> list;
        QDir dir(_mailDir);
        const QStringList files =
            dir.entryList({QStringLiteral("mail-*.json")}, QDir::Files, QDir::Name);
        QStringList sorted = files;
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
            return a.mid(5).section(u'.', 0, 0).toInt() < b.mid(5).section(u'.', 0, 0).toInt();
        });
        for (const QString& name : sorted) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                list.append(QJsonDocument::fromJson(f.readAll()).object());
        }
        return list;
    }
    // The latest icon the monitor reported (0 grey, 1 green, 2 red), -1 when none yet.
    int icon() const
    {
        static const QStringList colours{QStringLiteral("grey"), QStringLiteral("green"),
                                         QStringLiteral("red")};
        int last = -1;
        auto it = QRegularExpression(QStringLiteral("icon: (grey|green|red)"))
                      .globalMatch(_monitor->err());
        while (it.hasNext())
            last = int(colours.indexOf(it.next().captured(1)));
        return last;
    }
    bool waitIcon(int status, int timeoutMs = 15000)
    {
        return waitUntil([&] { return icon() == status; }, timeoutMs);
    }
    int passes() const { return _monitor->countErr(QStringLiteral("pass: ")); }
    bool waitPasses(int n, int timeoutMs = 15000)
    {
        return waitUntil([&] { return passes() >= n; }, timeoutMs);
    }

private:
    QString _home;
    QString _logPath;
    QString _mailDir;
    std::unique_ptr<Child> _sim;
    std::unique_ptr<Child> _smtp;
    std::unique_ptr<Child> _monitor;
    quint16 _simPort = 0;
    quint16 _smtpPort = 0;
};

} // namespace e2e
