// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/renderwindows.h"

#include "settings/eventlog.h"
#include "settings/logtablemodel.h"
#include "settings/optionflags.h"
#include "settings/preferences.h"
#include "ui/logwindow.h"
#include "ui/settingswindow.h"

#include <QDir>
#include <QPixmap>

namespace {

void renderTo(QWidget& window, const QString& outDir, const QString& name,
              const std::function<void(QWidget&, const QString&)>& inspect)
{
    window.setAttribute(Qt::WA_DontShowOnScreen, true);
    window.show();
    window.grab().save(QDir(outDir).filePath(name + QStringLiteral(".png")));
    if (inspect)
        inspect(window, name);
    window.hide();
}

} // namespace

void renderSettingsWindows(const SampleWindows& windows, const QString& outDir,
                           const std::function<void(QWidget&, const QString&)>& inspect)
{
    QDir().mkpath(outDir);
    using Text = SettingsForm::Text;
    SettingsForm& form = *windows.settings.form;
    form.setText(Text::SMTPServer, QStringLiteral("smtp.example.com"));
    form.setText(Text::SMTPPort, QStringLiteral("25"));
    form.setText(Text::FromField, QStringLiteral("monitor@example.com"));
    form.setText(Text::ToField1, QStringLiteral("admin@example.com"));
    form.setText(Text::SubjectField, qtTrId("MSG_MailSubject"));
    form.setText(Text::POP3Port, QStringLiteral("110"));
    form.setText(Text::SMTPSecurity, QStringLiteral("starttls"));
    form.setText(Text::SMTPUser, QStringLiteral("monitor@example.com"));
    form.setText(Text::SMTPPassword, QStringLiteral("app-password"));
    form.setText(Text::SMTPPasswordPlace, qtTrId("MSG_SMTPPasswordInKeyring"));
    windows.flags->_isSMTPAuth = true;
    windows.flags->_isSendMail = true;
    windows.flags->_isMakeLog = true;
    windows.flags->_isAddLoginItem = true;
    windows.flags->_isDispPanel = true;
    windows.flags->_isWebhook = true;
    form.setText(Text::ReminderHours, QStringLiteral("6"));
    form.setText(Text::WebhookURL, QStringLiteral("https://ntfy.sh/office-raid"));
    form.setText(Text::WebhookFormat, QStringLiteral("ntfy"));
    form.setText(Text::WebhookStatus, qtTrId("MSG_WebhookTestSuccess"));
    windows.settings.preferences->w1_OrderFront();

    // At the size the program opens it at, so the picture shows any text that does not fit.
    SettingsWindow settings(windows.settings);
    renderTo(settings, outDir, QStringLiteral("w1_Window"), inspect);

    EventLog& log = *windows.log;
    log.insert(EventLog::makeLine(QStringLiteral("Mon Dec  7 09:12:40 2026"),
                                  QStringLiteral("Office"), QStringLiteral("RAID 1"),
                                  QStringLiteral("Retrieved configuration.")));
    log.insert(EventLog::makeLine(QStringLiteral("Mon Dec  7 17:03:05 2026"),
                                  QStringLiteral("Office"), QStringLiteral("RAID 1"),
                                  QStringLiteral("Disk2 is not connected.")));
    log.insert(EventLog::makeLine(QStringLiteral("Mon Dec  7 17:03:09 2026"),
                                  QStringLiteral("Office"), QStringLiteral("-"),
                                  qtTrId("MSG_MailSuccess")));
    windows.logTable->reload();

    LogWindow logWindow(windows.logTable, *windows.logActions, *windows.presentation);
    renderTo(logWindow, outDir, QStringLiteral("w2_Window"), inspect);
}
