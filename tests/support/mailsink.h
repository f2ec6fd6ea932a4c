// SPDX-License-Identifier: GPL-3.0-or-later
// The throw-away mail server of the tests (tests/tools/popbsmtp/smtp_sink.py on aiosmtpd)
// as a child process: started on free loopback ports, read back through the files it
// writes, stopped when the object goes. The including target defines TAMRO_PYTHON3 (an
// interpreter with aiosmtpd) and TAMRO_SMTP_SINK (the script).
#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace tamro::test {

constexpr int kSinkWaitMs = 60000; // upper bound for a hung process, never reached when all is well

// One throw-away mail server process; stopped when the object goes.
class Sink
{
public:
    ~Sink()
    {
        if (_process.state() != QProcess::NotRunning) {
            _process.closeWriteChannel();
            if (!_process.waitForFinished(5000))
                _process.kill();
            _process.waitForFinished(5000);
        }
    }

    // Starts the server; on failure returns the reason (the tests then fail, never skip).
    QString start(const QStringList& options)
    {
        if (!_dir.isValid())
            return QStringLiteral("no temporary directory");
        QStringList args{QStringLiteral(TAMRO_SMTP_SINK), QStringLiteral("--dir"), outDir()};
        for (const QString& option : options)
            args << (option == QLatin1String("@certdir") ? certDir() : option);
        _process.start(QStringLiteral(TAMRO_PYTHON3), args);
        if (!_process.waitForStarted(kSinkWaitMs))
            return QStringLiteral("cannot start " TAMRO_PYTHON3);
        QByteArray out;
        while (!out.contains("READY\n")) {
            if (!_process.waitForReadyRead(kSinkWaitMs)) {
                _process.waitForFinished(5000);
                return QStringLiteral("mail server did not start: ") +
                       QString::fromUtf8(_process.readAllStandardError());
            }
            out += _process.readAllStandardOutput();
        }
        for (const QByteArray& line : out.split('\n')) {
            if (line.startsWith("SMTP "))
                smtpPort = line.mid(5).toUShort();
            else if (line.startsWith("SMTPS "))
                smtpsPort = line.mid(6).toUShort();
            else if (line.startsWith("POP3 "))
                pop3Port = line.mid(5).toUShort();
        }
        return smtpPort ? QString() : QStringLiteral("mail server printed no port");
    }

    QString outDir() const { return _dir.filePath(QStringLiteral("out")); }
    QString certDir() const { return _dir.filePath(QStringLiteral("cert")); }
    // The throw-away certificate authority that issued the server's certificate.
    QString certFile() const { return certDir() + QStringLiteral("/ca.pem"); }

    QList<QJsonObject> mails() const
    {
        QList<QJsonObject> result;
        for (int n = 1;; ++n) {
            QFile file(outDir() + QStringLiteral("/mail-%1.json").arg(n));
            if (!file.open(QIODevice::ReadOnly))
                break;
            result << QJsonDocument::fromJson(file.readAll()).object();
        }
        return result;
    }

    QByteArray raw(int n) const
    {
        QFile file(outDir() + QStringLiteral("/mail-%1.eml").arg(n));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QByteArray popLog() const
    {
        QFile file(outDir() + QStringLiteral("/pop3.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The SMTP sign-ins and senders the server saw.
    QByteArray smtpLog() const
    {
        QFile file(outDir() + QStringLiteral("/smtp.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    quint16 smtpPort = 0;
    quint16 smtpsPort = 0;
    quint16 pop3Port = 0;

private:
    QTemporaryDir _dir;
    QProcess _process;
};

} // namespace tamro::test

// Starts the sink or fails the test with the reason (the tests fail, never skip).
#define START_SINK(sink, options)                                                                  \
    do {                                                                                           \
        const QString startError = (sink).start(options);                                          \
        if (!startError.isEmpty())                                                                 \
            QFAIL(qPrintable(startError));                                                         \
    } while (false)
