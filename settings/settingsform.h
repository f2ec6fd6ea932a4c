// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window's fields and check-boxes as the logic sees them. The text settings live
// here (loaded at launch, edited live by the window, read afresh at each use by mail and the
// event log, stored at OK); the check-boxes are an editing copy of the controller's flags.
// The settings window binds its widgets to this object both ways.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class SettingsForm : public QObject
{
    Q_OBJECT
public:
    enum class Text {
        SMTPServer,
        SMTPPort,
        FromField,
        ToField1,
        ToField2,
        ToField3,
        SubjectField,
        POP3Server,
        POP3Port,
        Username,
        Password,
        LogFilePath,
        MailStatus,
        SMTPSecurity, // one of the SMTPSecurity values, chosen from a list
        SMTPUser,
        SMTPPassword,
        SMTPCAFile,
        SMTPPasswordPlace, // where the SMTP password is kept (a label)
        ReminderHours,     // "0", "1", "6" or "24", chosen from a list
        WebhookURL,
        WebhookFormat, // "json" or "ntfy", chosen from a list
        WebhookToken,
        WebhookStatus, // the outcome of "Send Test" (a label)
        MetricsFolder,
    };
    Q_ENUM(Text)
    enum class Box {
        LoginItem,
        Mail,
        RebuildMail,
        POPbSMTP,
        Log,
        DispPanel,
        Shutdown,
        SMTPAuth,
        DesktopNotifications,
        Webhook,
        ExportMetrics,
    };
    Q_ENUM(Box)

    explicit SettingsForm(QObject* parent = nullptr);

    QString text(Text field) const { return _texts.value(field); }
    void setText(Text field, const QString& value);
    bool isChecked(Box box) const { return _checked.value(box, false); }
    void setChecked(Box box, bool checked);
    bool isEnabled(Text field) const { return _enabled.value(field, true); }
    void setEnabled(Text field, bool enabled);

    // The widgets' object names ("w1_SMTPServer", "w1_Mail", ...).
    static QString objectName(Text field);
    static QString objectName(Box box);

signals:
    void textChanged(SettingsForm::Text field, const QString& value);
    void checkedChanged(SettingsForm::Box box, bool checked);
    void enabledChanged(SettingsForm::Text field, bool enabled);

private:
    QHash<Text, QString> _texts;
    QHash<Box, bool> _checked;
    QHash<Text, bool> _enabled;
};
