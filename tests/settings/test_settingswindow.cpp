// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window and the log window: their controls, the live binding to the form, and
// the buttons reaching the controller.
#include "app/guiwiring.h"
#include "settingsfakes.h"
#include "testmain.h"

#include "metrics/metricsexporter.h"
#include "settings/logtablemodel.h"
#include "ui/logwindow.h"
#include "ui/renderwindows.h"
#include "ui/settingswindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using Text = SettingsForm::Text;
using Box = SettingsForm::Box;

class TestSettingsWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ControllerRig> makeRig()
    {
        auto rig = std::make_unique<ControllerRig>(_dir->filePath(QStringLiteral("settings.conf")));
        rig->launchWithLog(_dir->filePath(QStringLiteral("log.csv")));
        rig->controller->preferences().w1_OrderFront();
        return rig;
    }

    std::unique_ptr<QTemporaryDir> _dir;

private slots:
    void initTestCase() { nameApplication(); }

    void init()
    {
        _dir = std::make_unique<QTemporaryDir>();
        QVERIFY(_dir->isValid());
    }

    void controlsCarryTheirNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        for (const char* name :
             {"w1_SMTPServer", "w1_SMTPPort", "w1_FromField", "w1_ToField1", "w1_ToField2",
              "w1_ToField3", "w1_SubjectField", "w1_POP3Server", "w1_POP3Port", "w1_Username",
              "w1_Password", "w1_LogFilePath", "w1_SMTPUser", "w1_SMTPPassword", "w1_SMTPCAFile",
              "w1_WebhookURL", "w1_WebhookToken", "w1_MetricsFolder"})
            QTest::newRow(name) << name << "QLineEdit";
        for (const char* name :
             {"w1_Mail", "w1_RebuildMail", "w1_POPbSMTP", "w1_LoginItem", "w1_Log", "w1_DispPanel",
              "w1_Shutdown", "w1_SMTPAuth", "w1_DesktopNotifications", "w1_WebhookEnabled",
              "w1_ExportMetrics"})
            QTest::newRow(name) << name << "QCheckBox";
        for (const char* name : {"w1_Ok", "w1_Cancel", "w1_TestMail", "w1_SetFilePath",
                                 "w1_SetCAFile", "w1_TestWebhook", "w1_SetMetricsFolder"})
            QTest::newRow(name) << name << "QPushButton";
        for (const char* name : {"w1_MailStatus", "w1_SMTPPasswordPlace", "w1_WebhookStatus"})
            QTest::newRow(name) << name << "QLabel";
        for (const char* name : {"w1_SMTPSecurity", "w1_ReminderHours", "w1_WebhookFormat"})
            QTest::newRow(name) << name << "QComboBox";
    }

    void controlsCarryTheirNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        auto rig = makeRig();
        SettingsWindow window(settingsWindowWiring(*rig->controller));
        QCOMPARE(window.objectName(), QStringLiteral("w1_Window"));
        QObject* control = window.findChild<QObject*>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(QString::fromLatin1(control->metaObject()->className()), className);
    }

    void passwordIsHidden()
    {
        auto rig = makeRig();
        SettingsWindow window(settingsWindowWiring(*rig->controller));
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("w1_Password"))->echoMode(),
                 QLineEdit::Password);
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("w1_SMTPPassword"))->echoMode(),
                 QLineEdit::Password);
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("w1_WebhookToken"))->echoMode(),
                 QLineEdit::Password);
    }

    // The window fits a screen 768 pixels high, title bar and panel included.
    void fitsASmallScreen()
    {
        auto rig = makeRig();
        SettingsWindow window(settingsWindowWiring(*rig->controller));
        window.show();
        QVERIFY2(window.sizeHint().height() <= 700,
                 qPrintable(QString::number(window.sizeHint().height())));
        QVERIFY(window.minimumSizeHint().height() <= 700);
    }

    void notificationControls()
    {
        auto rig = makeRig();
        AppController& c = *rig->controller;
        SettingsWindow window(settingsWindowWiring(c));
        auto* hours = window.findChild<QComboBox*>(QStringLiteral("w1_ReminderHours"));
        QCOMPARE(hours->count(), 4);
        QCOMPARE(hours->currentData().toString(), QStringLiteral("0"));
        emit hours->activated(hours->findData(QStringLiteral("6")));
        QCOMPARE(c.form().text(Text::ReminderHours), QStringLiteral("6"));
        auto* format = window.findChild<QComboBox*>(QStringLiteral("w1_WebhookFormat"));
        QCOMPARE(format->currentData().toString(), QStringLiteral("json"));
        c.form().setText(Text::WebhookFormat, QStringLiteral("ntfy"));
        QCOMPARE(format->currentText(), QStringLiteral("UI_WebhookFormatNtfy"));
        QVERIFY(
            window.findChild<QCheckBox*>(QStringLiteral("w1_DesktopNotifications"))->isChecked());
        // The webhook fields follow their check-box.
        auto* url = window.findChild<QLineEdit*>(QStringLiteral("w1_WebhookURL"));
        QVERIFY(!url->isEnabled());
        QVERIFY(!format->isEnabled());
        window.findChild<QCheckBox*>(QStringLiteral("w1_WebhookEnabled"))->click();
        QVERIFY(url->isEnabled());
        QVERIFY(format->isEnabled());
        QVERIFY(c.form().isChecked(Box::Webhook));
    }

    void securityListFollowsTheForm()
    {
        auto rig = makeRig();
        AppController& c = *rig->controller;
        SettingsWindow window(settingsWindowWiring(c));
        auto* list = window.findChild<QComboBox*>(QStringLiteral("w1_SMTPSecurity"));
        QCOMPARE(list->count(), 4);
        // Loaded from the registered default.
        QCOMPARE(list->currentData().toString(), QStringLiteral("starttls-if-offered"));
        c.form().setText(Text::SMTPSecurity, QStringLiteral("tls"));
        QCOMPARE(list->currentText(), QStringLiteral("UI_SecurityTLS"));
        const int starttls = list->findData(QStringLiteral("starttls"));
        QVERIFY(starttls >= 0);
        emit list->activated(starttls);
        QCOMPARE(c.form().text(Text::SMTPSecurity), QStringLiteral("starttls"));
        // The list and the sign-in follow the mail check-box; the sign-in also its own.
        auto* user = window.findChild<QLineEdit*>(QStringLiteral("w1_SMTPUser"));
        QVERIFY(!list->isEnabled());
        window.findChild<QCheckBox*>(QStringLiteral("w1_Mail"))->click();
        QVERIFY(list->isEnabled());
        QVERIFY(!user->isEnabled());
        window.findChild<QCheckBox*>(QStringLiteral("w1_SMTPAuth"))->click();
        QVERIFY(user->isEnabled());
    }

    void labelsShowTexts()
    {
        auto rig = makeRig();
        SettingsWindow window(settingsWindowWiring(*rig->controller));
        // No translator is installed here, so a text shows as its id: every label must
        // have gone through the string table, and none is left empty.
        QCOMPARE(window.windowTitle(), QStringLiteral("UI_SettingsWindowTitle"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("label_SMTPServer"))->text(),
                 QStringLiteral("UI_SMTPServer"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("label_SMTPServer"))->buddy(),
                 window.findChild<QLineEdit*>(QStringLiteral("w1_SMTPServer")));
    }

    void typingUpdatesTheFormLive()
    {
        auto rig = makeRig();
        rig->controller->flags()._isSendMail = true;
        rig->controller->preferences().w1_OrderFront();
        SettingsWindow window(settingsWindowWiring(*rig->controller));
        window.show();
        auto* edit = window.findChild<QLineEdit*>(QStringLiteral("w1_SubjectField"));
        QVERIFY(edit->isEnabled());
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("Disk alarm"));
        QCOMPARE(rig->controller->form().text(Text::SubjectField), QStringLiteral("Disk alarm"));
    }

    void formChangesShowInTheWindow()
    {
        auto rig = makeRig();
        AppController& c = *rig->controller;
        SettingsWindow window(settingsWindowWiring(c));
        c.form().setText(Text::POP3Server, QStringLiteral("pop.example.com"));
        c.form().setText(Text::MailStatus, QStringLiteral("sent"));
        c.form().setChecked(Box::Shutdown, true);
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("w1_POP3Server"))->text(),
                 QStringLiteral("pop.example.com"));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("w1_MailStatus"))->text(),
                 QStringLiteral("sent"));
        QVERIFY(window.findChild<QCheckBox*>(QStringLiteral("w1_Shutdown"))->isChecked());
        // Opening with POP off left the POP fields disabled.
        QVERIFY(!window.findChild<QLineEdit*>(QStringLiteral("w1_POP3Server"))->isEnabled());
    }

    void checkBoxesCallTheActions()
    {
        auto rig = makeRig();
        SettingsWindow window(settingsWindowWiring(*rig->controller));
        window.show();
        auto* server = window.findChild<QLineEdit*>(QStringLiteral("w1_SMTPServer"));
        auto* pop = window.findChild<QLineEdit*>(QStringLiteral("w1_Password"));
        QVERIFY(!server->isEnabled());
        QVERIFY(!pop->isEnabled());
        window.findChild<QCheckBox*>(QStringLiteral("w1_Mail"))->click();
        QVERIFY(rig->controller->form().isChecked(Box::Mail));
        QVERIFY(server->isEnabled());
        window.findChild<QCheckBox*>(QStringLiteral("w1_POPbSMTP"))->click();
        QVERIFY(pop->isEnabled());
    }

    void commitEditingTakesTheFieldsText()
    {
        auto rig = makeRig();
        SettingsWindow window(settingsWindowWiring(*rig->controller));
        window.findChild<QLineEdit*>(QStringLiteral("w1_Username"))
            ->setText(QStringLiteral("typed"));
        window.commitEditing();
        QCOMPARE(rig->controller->form().text(Text::Username), QStringLiteral("typed"));
    }

    void okWritesTheStoreAndTheAutostartEntry()
    {
        auto rig = makeRig();
        AppController& c = *rig->controller;
        c.flags()._isAddLoginItem = false;
        c.preferences().w1_OrderFront();
        SettingsWindow window(settingsWindowWiring(c));
        window.show();
        auto* login = window.findChild<QCheckBox*>(QStringLiteral("w1_LoginItem"));
        QVERIFY(!login->isChecked());
        login->click();
        auto* server = window.findChild<QLineEdit*>(QStringLiteral("w1_SMTPServer"));
        window.findChild<QCheckBox*>(QStringLiteral("w1_Mail"))->click();
        QTest::keyClicks(server, QStringLiteral("smtp.example.org"));
        // The metrics file, switched on in a folder chosen with the button: written at once.
        c.metrics().start(); // as at launch
        window.findChild<QCheckBox*>(QStringLiteral("w1_ExportMetrics"))->click();
        const QString metricsFolder = _dir->filePath(QStringLiteral("metrics"));
        QVERIFY(QDir().mkpath(metricsFolder));
        rig->modal.folderDialogAnswer = metricsFolder;
        window.findChild<QPushButton*>(QStringLiteral("w1_SetMetricsFolder"))->click();
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("w1_MetricsFolder"))->text(),
                 metricsFolder);
        QSignalSpy metricsWritten(&c.metrics(), &MetricsExporter::written);
        QFile::remove(c.preferences().autostartEntryPath());
        window.findChild<QPushButton*>(QStringLiteral("w1_Ok"))->click();

        QVERIFY(c.flags()._isAddLoginItem);
        QVERIFY(c.flags()._isSendMail);
        DefaultsStore reread(_dir->filePath(QStringLiteral("settings.conf")));
        QCOMPARE(reread.stringForKey(QStringLiteral("SMTPServer")),
                 QStringLiteral("smtp.example.org"));
        QVERIFY(reread.boolForKey(QStringLiteral("AddLoginItem")));
        QVERIFY(QFile::exists(c.preferences().autostartEntryPath()));
        QVERIFY(reread.boolForKey(QStringLiteral("ExportMetrics")));
        QCOMPARE(reread.stringForKey(QStringLiteral("MetricsFolder")), metricsFolder);
        QVERIFY(metricsWritten.wait(5000));
        QVERIFY(QFile::exists(metricsFolder + QStringLiteral("/tamro_raid_monitor.prom")));
    }

    void cancelButtonClosesOnly()
    {
        auto rig = makeRig();
        SettingsWindow window(settingsWindowWiring(*rig->controller));
        rig->windows.calls.clear();
        window.findChild<QPushButton*>(QStringLiteral("w1_Cancel"))->click();
        QCOMPARE(rig->windows.calls, QStringList{QStringLiteral("closeSettings")});
        QVERIFY(!rig->store.hasStoredValue(QStringLiteral("SMTPPort")));
    }

    void logWindowShowsTheLog()
    {
        auto rig = makeRig();
        AppController& c = *rig->controller;
        c.eventLogActions().writeCSVFile(QStringLiteral("older"), 0);
        c.eventLogActions().writeCSVFile(QStringLiteral("newest"), 0);
        LogWindow window(c.logTableModel(), c.eventLogActions(), c.statusPresentation());
        QCOMPARE(window.objectName(), QStringLiteral("w2_Window"));
        auto* table = window.findChild<QTableView*>(QStringLiteral("w2_Table"));
        QVERIFY(table);
        QCOMPARE(table->model(), c.logTableModel());
        QCOMPARE(table->model()->rowCount(), 2);
        QCOMPARE(table->model()->index(0, 4).data().toString(), QStringLiteral("newest"));
        QVERIFY(window.findChild<QPushButton*>(QStringLiteral("w2_Rescan")));
        rig->windows.calls.clear();
        window.findChild<QPushButton*>(QStringLiteral("w2_Ok"))->click();
        QCOMPARE(rig->windows.calls, QStringList{QStringLiteral("closeLog")});
    }

    void rendersBothWindows()
    {
        auto rig = makeRig();
        const QString out = _dir->filePath(QStringLiteral("render"));
        renderSettingsWindows(sampleWindows(*rig->controller), out);
        for (const QString& name :
             {QStringLiteral("w1_Window.png"), QStringLiteral("w2_Window.png")}) {
            const QImage image(out + u'/' + name);
            QVERIFY2(!image.isNull(), qPrintable(name));
            QVERIFY(image.width() > 200 && image.height() > 150);
        }
    }
};

TAMRO_TEST_MAIN(TestSettingsWindow)
#include "test_settingswindow.moc"
