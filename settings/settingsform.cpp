// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settingsform.h"

SettingsForm::SettingsForm(QObject* parent) : QObject(parent) {}

void SettingsForm::setText(Text field, const QString& value)
{
    if (_texts.value(field) == value && _texts.contains(field))
        return;
    _texts.insert(field, value);
    emit textChanged(field, value);
}

void SettingsForm::setChecked(Box box, bool checked)
{
    if (_checked.value(box, false) == checked && _checked.contains(box))
        return;
    _checked.insert(box, checked);
    emit checkedChanged(box, checked);
}

void SettingsForm::setEnabled(Text field, bool enabled)
{
    if (isEnabled(field) == enabled && _enabled.contains(field))
        return;
    _enabled.insert(field, enabled);
    emit enabledChanged(field, enabled);
}

QString SettingsForm::objectName(Text field)
{
    switch (field) {
    case Text::SMTPServer:
        return QStringLiteral("w1_SMTPServer");
    case Text::SMTPPort:
        return QStringLiteral("w1_SMTPPort");
    case Text::FromField:
        return QStringLiteral("w1_FromField");
    case Text::ToField1:
        return QStringLiteral("w1_ToField1");
    case Text::ToField2:
        return QStringLiteral("w1_ToField2");
    case Text::ToField3:
        return QStringLiteral("w1_ToField3");
    case Text::SubjectField:
        return QStringLiteral("w1_SubjectField");
    case Text::POP3Server:
        return QStringLiteral("w1_POP3Server");
    case Text::POP3Port:
        return QStringLiteral("w1_POP3Port");
    case Text::Username:
        return QStringLiteral("w1_Username");
    case Text::Password:
        return QStringLiteral("w1_Password");
    case Text::LogFilePath:
        return QStringLiteral("w1_LogFilePath");
    case Text::MailStatus:
        return QStringLiteral("w1_MailStatus");
    case Text::SMTPSecurity:
        return QStringLiteral("w1_SMTPSecurity");
    case Text::SMTPUser:
        return QStringLiteral("w1_SMTPUser");
    case Text::SMTPPassword:
        return QStringLiteral("w1_SMTPPassword");
    case Text::SMTPCAFile:
        return QStringLiteral("w1_SMTPCAFile");
    case Text::SMTPPasswordPlace:
        return QStringLiteral("w1_SMTPPasswordPlace");
    case Text::ReminderHours:
        return QStringLiteral("w1_ReminderHours");
    case Text::WebhookURL:
        return QStringLiteral("w1_WebhookURL");
    case Text::WebhookFormat:
        return QStringLiteral("w1_WebhookFormat");
    case Text::WebhookToken:
        return QStringLiteral("w1_WebhookToken");
    case Text::WebhookStatus:
        return QStringLiteral("w1_WebhookStatus");
    case Text::MetricsFolder:
        return QStringLiteral("w1_MetricsFolder");
    }
    return QString();
}

QString SettingsForm::objectName(Box box)
{
    switch (box) {
    case Box::LoginItem:
        return QStringLiteral("w1_LoginItem");
    case Box::Mail:
        return QStringLiteral("w1_Mail");
    case Box::RebuildMail:
        return QStringLiteral("w1_RebuildMail");
    case Box::POPbSMTP:
        return QStringLiteral("w1_POPbSMTP");
    case Box::Log:
        return QStringLiteral("w1_Log");
    case Box::DispPanel:
        return QStringLiteral("w1_DispPanel");
    case Box::Shutdown:
        return QStringLiteral("w1_Shutdown");
    case Box::SMTPAuth:
        return QStringLiteral("w1_SMTPAuth");
    case Box::DesktopNotifications:
        return QStringLiteral("w1_DesktopNotifications");
    case Box::Webhook:
        return QStringLiteral("w1_WebhookEnabled");
    case Box::ExportMetrics:
        return QStringLiteral("w1_ExportMetrics");
    }
    return QString();
}
