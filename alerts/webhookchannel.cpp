// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/webhookchannel.h"

#include "platform/logging.h"
#include "platform/modalgate.h"
#include "platform/ports.h"
#include "settings/optionflags.h"
#include "settings/settingsform.h"
#include "util/controltext.h"

#include <QHostInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

namespace {

const QString kNtfy = QStringLiteral("ntfy");

// One key per event: a second delivery of the same event while the first is on its way
// starts nothing.
QString eventKey(const AlertEvent& event)
{
    return WebhookChannel::eventName(event) + u'/' + event.serial + u'/' +
           QString::number(event.time.toMSecsSinceEpoch()) +
           (event.reminder ? QStringLiteral("/r") : QString());
}

// A header value as ntfy reads it: plain when it is ASCII, else an RFC 2047 encoded word.
QByteArray headerValue(const QString& text)
{
    // One line, its control characters visible: a header value ends at a line break.
    const QString oneLine = oneVisibleLine(text);
    bool ascii = true;
    for (const QChar c : std::as_const(oneLine))
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7f;
    if (ascii)
        return oneLine.toLatin1();
    return "=?UTF-8?B?" + oneLine.toUtf8().toBase64() + "?=";
}

// ISO 8601 with the offset from UTC: "2026-12-09T01:10:00+01:00".
QString isoTime(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QString titleOf(const AlertEvent& event)
{
    const QString title = qtTrId("MSG_Title");
    return event.name.isEmpty() ? title : title + QStringLiteral(": ") + event.name;
}

} // namespace

WebhookChannel::WebhookChannel(SettingsForm& form, const OptionFlags& flags, const Config& config,
                               AlertOutcomeLog log, WindowPresenter* windows, QObject* parent)
    : QObject(parent), _form(form), _flags(flags), _config(config), _log(std::move(log)),
      _windows(windows)
{
    // A redirect may not leave HTTPS for HTTP.
    _network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

WebhookChannel::~WebhookChannel()
{
    // Requests still on their way end without a report: nothing is left to write it to.
    const QList<QNetworkReply*> replies = _inFlight.values();
    _inFlight.clear();
    for (QNetworkReply* reply : replies) {
        reply->disconnect(this);
        reply->abort();
    }
}

bool WebhookChannel::wants(const AlertEvent& event) const
{
    if (event.kind == AlertEvent::Kind::Test)
        return true;
    return _flags._isWebhook && !_form.text(SettingsForm::Text::WebhookURL).trimmed().isEmpty();
}

QString WebhookChannel::eventName(const AlertEvent& event)
{
    switch (event.kind) {
    case AlertEvent::Kind::Problem:
        return event.reminder ? QStringLiteral("reminder") : QStringLiteral("problem");
    case AlertEvent::Kind::RebuildFinished:
        return QStringLiteral("rebuild-finished");
    case AlertEvent::Kind::ServiceUnreachable:
        return QStringLiteral("service-unreachable");
    case AlertEvent::Kind::ServiceReachable:
        return QStringLiteral("service-reachable");
    case AlertEvent::Kind::Test:
        return QStringLiteral("test");
    }
    return {};
}

QByteArray WebhookChannel::jsonBody(const AlertEvent& event, const QString& host)
{
    QJsonObject object{
        {QStringLiteral("event"), eventName(event)},
        {QStringLiteral("time"), isoTime(event.time)},
        {QStringLiteral("host"), validUnicode(host)},
        {QStringLiteral("serial"), validUnicode(event.serial)},
        {QStringLiteral("name"), validUnicode(event.name)},
        {QStringLiteral("mode"), validUnicode(event.mode)},
        {QStringLiteral("plug"), validUnicode(event.plugInfo)},
        {QStringLiteral("message"), validUnicode(alerts::summaryText(event))},
    };
    if (event.reminder)
        object.insert(QStringLiteral("since"), isoTime(event.since));
    if (event.heldBack > 0)
        object.insert(QStringLiteral("held_back"), event.heldBack);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void WebhookChannel::prepare(QNetworkRequest& request, const AlertEvent& event,
                             QByteArray& body) const
{
    if (_form.text(SettingsForm::Text::WebhookFormat) == kNtfy) {
        body = alerts::summaryText(event).toUtf8();
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("text/plain; charset=utf-8"));
        request.setRawHeader("Title", headerValue(titleOf(event)));
        request.setRawHeader("Priority", event.isTrouble() ? "high" : "default");
        request.setRawHeader("Tags", event.isTrouble() ? "warning,raid" : "white_check_mark,raid");
    } else {
        body = jsonBody(event, QHostInfo::localHostName());
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/json"));
    }
    const QString token = _form.text(SettingsForm::Text::WebhookToken);
    if (!token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    if (!_config.extraCaCertificates.isEmpty() && QSslSocket::supportsSsl()) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        ssl.addCaCertificates(_config.extraCaCertificates);
        request.setSslConfiguration(ssl);
    }
}

bool WebhookChannel::send(const AlertEvent& event)
{
    const QString key = eventKey(event);
    if (_inFlight.contains(key))
        return false;
    const QUrl url(_form.text(SettingsForm::Text::WebhookURL).trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        report(event, false, QStringLiteral("URL"));
        return false;
    }

    QNetworkRequest request(url);
    QByteArray body;
    prepare(request, event, body);
    QNetworkReply* reply = _network.post(request, body);
    _inFlight.insert(key, reply);

    // The whole request, answer included, within the limit.
    auto timedOut = std::make_shared<bool>(false);
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, reply, [reply, timedOut] {
        *timedOut = true;
        reply->abort();
    });
    limit->start(_config.timeoutMs);

    connect(reply, &QNetworkReply::finished, this, [this, reply, key, event, timedOut] {
        _inFlight.remove(key);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool ok = reply->error() == QNetworkReply::NoError && status >= 200 && status < 300;
        QString detail;
        if (*timedOut)
            detail = QStringLiteral("timed out");
        else if (status != 0 && !ok)
            detail = QStringLiteral("HTTP %1").arg(status);
        else if (!ok)
            detail = reply->errorString();
        if (!ok)
            qCWarning(lcMonitor).noquote() << "webhook not delivered:" << detail;
        reply->deleteLater();
        report(event, ok, detail);
    });
    return true;
}

void WebhookChannel::report(const AlertEvent& event, bool ok, const QString& detail)
{
    if (event.kind == AlertEvent::Kind::Test) {
        _form.setText(SettingsForm::Text::WebhookStatus,
                      ok ? qtTrId("MSG_WebhookTestSuccess")
                         : qtTrId("MSG_WebhookTestFail") + u' ' + detail);
    } else if (_flags._isMakeLog && _log) {
        // The reason has no comma or line end: it stays one column.
        QString why = detail;
        why.replace(u',', u';');
        const QString message =
            ok ? qtTrId("MSG_WebhookSuccess")
               : qtTrId("MSG_WebhookFail") +
                     (why.isEmpty() ? QString() : QStringLiteral(" (") + why + u')');
        // An answer that comes while a modal panel is up is written once it has closed, like
        // everything else that arrives then.
        ModalGate::instance().run(this, [this, message, event] { _log(message, event); });
    }
    emit finished(ok, detail);
}

void WebhookChannel::w1_TestWebhook()
{
    if (_windows)
        _windows->commitSettingsEditing();
    AlertEvent test;
    test.kind = AlertEvent::Kind::Test;
    test.time = QDateTime::currentDateTime();
    // One test at a time: the key of a test does not depend on its time.
    for (auto it = _inFlight.cbegin(); it != _inFlight.cend(); ++it) {
        if (it.key().startsWith(QLatin1String("test/")))
            return;
    }
    _form.setText(SettingsForm::Text::WebhookStatus, qtTrId("MSG_WebhookTestSending"));
    send(test);
}
