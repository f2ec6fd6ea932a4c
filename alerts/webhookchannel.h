// SPDX-License-Identifier: GPL-3.0-or-later
// A web request per alert (WebhookEnabled, WebhookURL), so a phone or a chat room hears of it:
// - "json": a POST of application/json with event, time (ISO 8601), host, serial, name, mode,
//   plug and message;
// - "ntfy": a POST of the message as plain text with the Title, Priority (high for trouble)
//   and Tags headers an ntfy server turns into a push.
// An optional bearer token (WebhookToken) goes into the Authorization header. HTTPS checks
// the server's certificate. Each event is one request, never repeated; while a request for
// an event is on its way no second one for it starts; a request that has no answer within the
// time limit is stopped. The outcome is a row in the event log (when logging is on), like a
// mail's; a test request's goes to the settings window's status line.
#pragma once

#include "alerts/alertchannel.h"

#include <QHash>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSslCertificate>

class QNetworkReply;
class QNetworkRequest;
class SettingsForm;
class WindowPresenter;
struct OptionFlags;

class WebhookChannel : public QObject, public AlertChannel
{
    Q_OBJECT
public:
    struct Config
    {
        int timeoutMs = 30000;
        // Certificate authorities trusted besides the system's (tests).
        QList<QSslCertificate> extraCaCertificates;
    };

    WebhookChannel(SettingsForm& form, const OptionFlags& flags, const Config& config,
                   AlertOutcomeLog log, WindowPresenter* windows = nullptr,
                   QObject* parent = nullptr);
    ~WebhookChannel() override;

    QString channelName() const override { return QStringLiteral("webhook"); }
    bool wants(const AlertEvent& event) const override;
    void deliver(const AlertEvent& event) override { send(event); }

    // Starts the request about the event; false when none was started (an unusable URL, or
    // a request for the same event still on its way). The outcome follows with finished().
    bool send(const AlertEvent& event);
    // The settings window's "Send Test" beside the webhook fields.
    void w1_TestWebhook();

    int requestsInFlight() const { return int(_inFlight.size()); }

    // The request's parts, for the format in the form.
    static QByteArray jsonBody(const AlertEvent& event, const QString& host);
    static QString eventName(const AlertEvent& event);

signals:
    void finished(bool ok, const QString& detail);

private:
    void prepare(QNetworkRequest& request, const AlertEvent& event, QByteArray& body) const;
    void report(const AlertEvent& event, bool ok, const QString& detail);

    SettingsForm& _form;
    const OptionFlags& _flags;
    Config _config;
    AlertOutcomeLog _log;
    WindowPresenter* _windows = nullptr;
    QNetworkAccessManager _network;
    QHash<QString, QNetworkReply*> _inFlight; // by event
};
