// SPDX-License-Identifier: GPL-3.0-or-later
// Preferences: registered defaults, loading and saving, the scrambled password, the
// settings window's actions, the autostart entry and the settings file's permissions.
#include "settingsfakes.h"
#include "testfiles.h"
#include "testmain.h"

#include "metrics/metricspreferences.h"
#include "settings/scramble.h"
#include "settings/secretkeeper.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

using Text = SettingsForm::Text;
using Box = SettingsForm::Box;

namespace {

const QHash<QString, Text>& textKeys()
{
    static const QHash<QString, Text> keys = {
        {QStringLiteral("SMTPServer"), Text::SMTPServer},
        {QStringLiteral("SMTPPort"), Text::SMTPPort},
        {QStringLiteral("FromField"), Text::FromField},
        {QStringLiteral("ToField1"), Text::ToField1},
        {QStringLiteral("ToField2"), Text::ToField2},
        {QStringLiteral("ToField3"), Text::ToField3},
        {QStringLiteral("SubjectField"), Text::SubjectField},
        {QStringLiteral("POP3Server"), Text::POP3Server},
        {QStringLiteral("POP3Port"), Text::POP3Port},
        {QStringLiteral("Username"), Text::Username},
        {QStringLiteral("Password"), Text::Password},
        {QStringLiteral("LogFilePath"), Text::LogFilePath},
        {QStringLiteral("SMTPSecurity"), Text::SMTPSecurity},
        {QStringLiteral("SMTPUser"), Text::SMTPUser},
        {QStringLiteral("SMTPPassword"), Text::SMTPPassword},
        {QStringLiteral("SMTPCAFile"), Text::SMTPCAFile},
        {QStringLiteral("WebhookURL"), Text::WebhookURL},
        {QStringLiteral("WebhookToken"), Text::WebhookToken},
        {QStringLiteral("MetricsFolder"), Text::MetricsFolder},
    };
    return keys;
}

// Settings chosen from a list: a stored value the list does not offer reads as the default.
const QHash<QString, Text>& choiceKeys()
{
    static const QHash<QString, Text> keys = {
        {QStringLiteral("ReminderHours"), Text::ReminderHours},
        {QStringLiteral("WebhookFormat"), Text::WebhookFormat},
    };
    return keys;
}

bool flagForKey(const AppController::Flags& flags, const QString& key)
{
    if (key == QLatin1String("SendMail"))
        return flags._isSendMail;
    if (key == QLatin1String("SendRebuildMail"))
        return flags._isSendRebuildMail;
    if (key == QLatin1String("POPbSMTP"))
        return flags._isPOPbSMTP;
    if (key == QLatin1String("AddLoginItem"))
        return flags._isAddLoginItem;
    if (key == QLatin1String("MakeLog"))
        return flags._isMakeLog;
    if (key == QLatin1String("DispPanel"))
        return flags._isDispPanel;
    if (key == QLatin1String("SMTPAuth"))
        return flags._isSMTPAuth;
    if (key == QLatin1String("DesktopNotifications"))
        return flags._isDesktopNotifications;
    if (key == QLatin1String("WebhookEnabled"))
        return flags._isWebhook;
    qFatal("no flag for key %s", qPrintable(key));
}

const Text kMailFields[] = {Text::SMTPServer, Text::SMTPPort, Text::FromField,   Text::ToField1,
                            Text::ToField2,   Text::ToField3, Text::SubjectField};
const Text kPopFields[] = {Text::POP3Server, Text::POP3Port, Text::Username, Text::Password};

QString expectedLogPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/TAMRORAIDLOG.csv");
}

using tamro::test::fileMode;

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private:
    QString iniPath() const { return _dir->filePath(QStringLiteral("settings.conf")); }
    QString autostartFolder() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/autostart");
    }

    std::unique_ptr<QTemporaryDir> _dir;

private slots:
    void initTestCase() { nameApplication(); }

    void init()
    {
        _dir = std::make_unique<QTemporaryDir>();
        QVERIFY(_dir->isValid());
        QDir(autostartFolder()).removeRecursively();
    }

    void initRegistersTheDefaults()
    {
        ControllerRig rig(iniPath());
        QVERIFY(rig.initialised);
        const QVariantMap registered = rig.store.registeredDefaults();
        QCOMPARE(registered, AppController::registeredDefaults());
        QVERIFY(!registered.contains(QStringLiteral("RAIDName")));
        QCOMPARE(registered.size(), 31);
    }

    void firstLaunchDefaults_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("SendMail off") << "SendMail" << QVariant(false);
        QTest::newRow("SendRebuildMail off") << "SendRebuildMail" << QVariant(false);
        QTest::newRow("POPbSMTP off") << "POPbSMTP" << QVariant(false);
        QTest::newRow("MakeLog off") << "MakeLog" << QVariant(false);
        QTest::newRow("AddLoginItem on") << "AddLoginItem" << QVariant(true);
        QTest::newRow("DispPanel on") << "DispPanel" << QVariant(true);
        QTest::newRow("SMTPServer empty") << "SMTPServer" << QVariant(QString());
        QTest::newRow("SMTPPort 25") << "SMTPPort" << QVariant(QStringLiteral("25"));
        QTest::newRow("FromField placeholder")
            << "FromField" << QVariant(QStringLiteral("monitor@example.com"));
        QTest::newRow("ToField1 same placeholder")
            << "ToField1" << QVariant(QStringLiteral("monitor@example.com"));
        QTest::newRow("ToField2 empty") << "ToField2" << QVariant(QString());
        QTest::newRow("ToField3 empty") << "ToField3" << QVariant(QString());
        QTest::newRow("SubjectField localized")
            << "SubjectField" << QVariant(qtTrId("MSG_MailSubject"));
        QTest::newRow("POP3Server empty") << "POP3Server" << QVariant(QString());
        QTest::newRow("POP3Port 110") << "POP3Port" << QVariant(QStringLiteral("110"));
        QTest::newRow("Username empty") << "Username" << QVariant(QString());
        QTest::newRow("Password empty") << "Password" << QVariant(QString());
        QTest::newRow("LogFilePath in the data folder")
            << "LogFilePath" << QVariant(expectedLogPath());
        QTest::newRow("SMTPSecurity as before")
            << "SMTPSecurity" << QVariant(QStringLiteral("starttls-if-offered"));
        QTest::newRow("SMTPAuth off") << "SMTPAuth" << QVariant(false);
        QTest::newRow("SMTPUser empty") << "SMTPUser" << QVariant(QString());
        QTest::newRow("SMTPPassword empty") << "SMTPPassword" << QVariant(QString());
        QTest::newRow("SMTPCAFile empty") << "SMTPCAFile" << QVariant(QString());
        QTest::newRow("ReminderHours 0") << "ReminderHours" << QVariant(QStringLiteral("0"));
        QTest::newRow("DesktopNotifications on") << "DesktopNotifications" << QVariant(true);
        QTest::newRow("WebhookEnabled off") << "WebhookEnabled" << QVariant(false);
        QTest::newRow("WebhookURL empty") << "WebhookURL" << QVariant(QString());
        QTest::newRow("WebhookFormat json") << "WebhookFormat" << QVariant(QStringLiteral("json"));
        QTest::newRow("WebhookToken empty") << "WebhookToken" << QVariant(QString());
        QTest::newRow("MetricsFolder node_exporter's textfile folder")
            << "MetricsFolder" << QVariant(QStringLiteral("/var/lib/prometheus/node-exporter"));
    }

    void firstLaunchDefaults()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        ControllerRig rig(iniPath());
        QVERIFY(rig.initialised);
        rig.controller->preferences().loadUserDefaults();
        if (expected.typeId() == QMetaType::Bool)
            QCOMPARE(flagForKey(rig.controller->flags(), key), expected.toBool());
        else
            QCOMPARE(rig.controller->form().text(choiceKeys().value(key, textKeys().value(key))),
                     expected.toString());
    }

    void storeReadsBooleansAsTheStoreWould_data()
    {
        QTest::addColumn<QVariant>("registered");
        QTest::addColumn<QVariant>("stored"); // invalid: nothing stored
        QTest::addColumn<bool>("expected");
        QTest::newRow("registered NO") << QVariant(QStringLiteral("NO")) << QVariant() << false;
        QTest::newRow("registered YES") << QVariant(QStringLiteral("YES")) << QVariant() << true;
        QTest::newRow("registered no") << QVariant(QStringLiteral("no")) << QVariant() << false;
        QTest::newRow("registered 0") << QVariant(QStringLiteral("0")) << QVariant() << false;
        QTest::newRow("registered 1") << QVariant(QStringLiteral("1")) << QVariant() << true;
        QTest::newRow("registered empty") << QVariant(QString()) << QVariant() << false;
        QTest::newRow("stored true over NO")
            << QVariant(QStringLiteral("NO")) << QVariant(true) << true;
        QTest::newRow("stored false over YES")
            << QVariant(QStringLiteral("YES")) << QVariant(false) << false;
        QTest::newRow("stored text NO")
            << QVariant(QStringLiteral("YES")) << QVariant(QStringLiteral("NO")) << false;
    }

    void storeReadsBooleansAsTheStoreWould()
    {
        QFETCH(QVariant, registered);
        QFETCH(QVariant, stored);
        QFETCH(bool, expected);
        const QString key = QStringLiteral("Option");
        {
            DefaultsStore store(iniPath());
            store.registerDefaults({{key, registered}});
            if (stored.typeId() == QMetaType::Bool)
                store.setBool(key, stored.toBool());
            else if (stored.isValid())
                store.setString(key, stored.toString());
            QCOMPARE(store.boolForKey(key), expected);
            QVERIFY(store.synchronize());
        }
        // The same answer after the value has been through the file.
        DefaultsStore reread(iniPath());
        reread.registerDefaults({{key, registered}});
        QCOMPARE(reread.boolForKey(key), expected);
    }

    void userStoreIsUnderTheConfigHome()
    {
        DefaultsStore store;
        QCOMPARE(store.fileName(),
                 QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QStringLiteral("/TAMRO/TAMRO RAID MONITOR.conf"));
    }

    void shutdownIsOffAfterEveryLaunch()
    {
        {
            ControllerRig rig(iniPath());
            rig.controller->preferences().loadUserDefaults();
            rig.controller->preferences().w1_OrderFront();
            rig.controller->form().setChecked(Box::Shutdown, true);
            rig.controller->preferences().w1_Ok();
            QVERIFY(rig.controller->flags()._isShutdown);
            rig.controller->preferences().loadUserDefaults();
            QVERIFY(!rig.controller->flags()._isShutdown);
        }
        const QStringList keys = QSettings(iniPath(), QSettings::IniFormat).allKeys();
        QVERIFY(!keys.isEmpty());
        for (const QString& key : keys)
            QVERIFY2(!key.contains(QLatin1String("Shutdown"), Qt::CaseInsensitive),
                     qPrintable(key));
        ControllerRig next(iniPath());
        next.controller->flags()._isShutdown = true;
        next.controller->preferences().loadUserDefaults();
        QVERIFY(!next.controller->flags()._isShutdown);
    }

    void scrambleIsItsOwnInverse_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("length");
        for (const int length : {0, 1, 2, 3, 4, 5, 7, 8, 9, 29, 30, 31, 64})
            QTest::addRow("password seed, %d bytes", length) << quint32(kPasswordSeed) << length;
        QTest::newRow("seed 1, 30 bytes") << quint32(1) << 30;
        QTest::newRow("seed 0xFFFFFFFF, 13 bytes") << quint32(0xFFFFFFFF) << 13;
    }

    void scrambleIsItsOwnInverse()
    {
        QFETCH(quint32, seed);
        QFETCH(int, length);
        QByteArray source(length, '\0');
        for (int i = 0; i < length; ++i)
            source[i] = char(i * 37 + 11);

        srandom(12345); // whatever the generator held before
        QByteArray scrambled(length, '\0');
        scramble(seed, source.constData(), scrambled.data(), unsigned(length));
        const long afterScramble = random();
        srandom(0);
        QCOMPARE(afterScramble, random());

        if (length >= 4)
            QVERIFY(scrambled != source);
        QByteArray inPlace = scrambled;
        scramble(seed, inPlace.constData(), inPlace.data(), unsigned(length));
        QCOMPARE(inPlace, source);
    }

    void scrambleKeyStreamIsDrawnLeastSignificantByteFirst()
    {
        const QByteArray zeros(int(kPasswordLength), '\0');
        QByteArray key(int(kPasswordLength), '\0');
        scramble(kPasswordSeed, zeros.constData(), key.data(), kPasswordLength);

        srandom(kPasswordSeed);
        QByteArray expected;
        while (expected.size() < int(kPasswordLength)) {
            const auto word = quint32(random());
            for (int k = 0; k < 4 && expected.size() < int(kPasswordLength); ++k)
                expected.append(char((word >> (8 * k)) & 0xFF));
        }
        QCOMPARE(key, expected);
    }

    void passwordSurvivesSaveAndLoad_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("29 ASCII bytes") << QStringLiteral("abcdefghijklmnopqrstuvwxyz012");
        QTest::newRow("29 bytes UTF-8") << QString(QString(14, QChar(0xE4)) + u'x');
        QTest::newRow("one byte") << QStringLiteral("x");
        QTest::newRow("blanks and symbols") << QStringLiteral(" p@ss word; \"x\" ");
    }

    void passwordSurvivesSaveAndLoad()
    {
        QFETCH(QString, password);
        QVERIFY(password.toUtf8().size() <= 29);
        {
            ControllerRig rig(iniPath());
            rig.controller->preferences().loadUserDefaults();
            rig.controller->form().setText(Text::Password, password);
            rig.controller->preferences().w1_Ok();
            QVERIFY(rig.modal.alerts.isEmpty());
            const QByteArray stored = rig.store.dataForKey(QStringLiteral("Password"));
            QCOMPARE(stored.size(), 30);
            QVERIFY(!stored.contains(password.toUtf8()));
        }
        DefaultsStore reread(iniPath());
        QCOMPARE(reread.dataForKey(QStringLiteral("Password")).size(), 30);

        ControllerRig next(iniPath());
        next.controller->preferences().loadUserDefaults();
        QCOMPARE(next.controller->form().text(Text::Password), password);
    }

    void emptyFieldKeepsTheStoredPassword()
    {
        {
            ControllerRig rig(iniPath());
            rig.controller->preferences().loadUserDefaults();
            rig.controller->form().setText(Text::Password, QStringLiteral("secret"));
            rig.controller->preferences().w1_Ok();
        }
        {
            ControllerRig rig(iniPath());
            rig.controller->preferences().loadUserDefaults();
            QCOMPARE(rig.controller->form().text(Text::Password), QStringLiteral("secret"));
            rig.controller->form().setText(Text::Password, QString());
            rig.controller->preferences().w1_Ok();
            QCOMPARE(rig.store.dataForKey(QStringLiteral("Password")).size(), 30);
        }
        ControllerRig next(iniPath());
        next.controller->preferences().loadUserDefaults();
        QCOMPARE(next.controller->form().text(Text::Password), QStringLiteral("secret"));
    }

    void shorterPasswordReplacesALongerOne()
    {
        {
            ControllerRig rig(iniPath());
            rig.controller->preferences().loadUserDefaults();
            rig.controller->form().setText(Text::Password,
                                           QStringLiteral("abcdefghijklmnopqrstuvwxyz012"));
            rig.controller->preferences().w1_Ok();
            rig.controller->form().setText(Text::Password, QStringLiteral("xy"));
            rig.controller->preferences().w1_Ok();
            QCOMPARE(rig.store.dataForKey(QStringLiteral("Password")).size(), 30);
        }
        ControllerRig next(iniPath());
        next.controller->preferences().loadUserDefaults();
        QCOMPARE(next.controller->form().text(Text::Password), QStringLiteral("xy"));
    }

    void storedPasswordOfAnotherShape_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QString>("expected");
        QTest::newRow("3 bytes, no terminator") << QByteArray("abc") << QStringLiteral("abc");
        QTest::newRow("30 bytes, no zero byte") << QByteArray(30, 'q') << QString(30, QChar(u'q'));
        QTest::newRow("zero byte in the middle") << QByteArray("ab\0cd", 5) << QStringLiteral("ab");
    }

    void storedPasswordOfAnotherShape()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QString, expected);
        {
            DefaultsStore store(iniPath());
            QByteArray value(plain.size(), '\0');
            scramble(kPasswordSeed, plain.constData(), value.data(), unsigned(plain.size()));
            store.setData(QStringLiteral("Password"), value);
            QVERIFY(store.synchronize());
        }
        ControllerRig rig(iniPath());
        rig.controller->form().setText(Text::Password, QStringLiteral("before"));
        rig.controller->preferences().loadUserDefaults();
        QCOMPARE(rig.controller->form().text(Text::Password), expected);
    }

    void passwordOfThirtyBytesOrMoreIsRefused_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("alert");
        const int pop = int(Text::Password);
        const int smtp = int(Text::SMTPPassword);
        QTest::newRow("30 ASCII bytes") << QString(30, QChar(u'p')) << pop << "UI_PasswordTooLong";
        QTest::newRow("31 ASCII bytes") << QString(31, QChar(u'p')) << pop << "UI_PasswordTooLong";
        QTest::newRow("15 characters, 30 bytes UTF-8")
            << QString(15, QChar(0xE4)) << pop << "UI_PasswordTooLong";
        QTest::newRow("100 bytes") << QString(100, QChar(u'p')) << pop << "UI_PasswordTooLong";
        // The SMTP password may be an app password or a token: up to 256 bytes.
        QTest::newRow("SMTP password of 257 bytes")
            << QString(257, QChar(u'p')) << smtp << "MSG_SMTPPasswordTooLong";
        QTest::newRow("SMTP password of 129 characters, 258 bytes UTF-8")
            << QString(129, QChar(0xE4)) << smtp << "MSG_SMTPPasswordTooLong";
    }

    void passwordOfThirtyBytesOrMoreIsRefused()
    {
        QFETCH(QString, password);
        QFETCH(int, field);
        QFETCH(QString, alert);
        ControllerRig rig(iniPath());
        rig.controller->preferences().loadUserDefaults();
        rig.controller->preferences().w1_OrderFront();
        rig.windows.calls.clear();
        rig.controller->form().setChecked(Box::Mail, true);
        rig.controller->form().setText(Text::SMTPServer, QStringLiteral("smtp.example.com"));
        rig.controller->form().setText(Text(field), password);
        rig.controller->preferences().w1_Ok();

        QCOMPARE(rig.modal.alerts, QStringList{alert});
        QVERIFY(!rig.windows.calls.contains(QStringLiteral("closeSettings")));
        QVERIFY(!rig.controller->flags()._isSendMail);
        QVERIFY(!rig.store.hasStoredValue(QStringLiteral("Password")));
        QVERIFY(!rig.store.hasStoredValue(QStringLiteral("SMTPPassword")));
        QVERIFY(!rig.store.hasStoredValue(QStringLiteral("SMTPServer")));
        QVERIFY(!QFile::exists(rig.controller->preferences().autostartEntryPath()));
        // The typed text stays for the user to correct.
        QCOMPARE(rig.controller->form().text(Text(field)), password);
    }

    void mailFieldEnabling_data()
    {
        QTest::addColumn<bool>("mailFlag");
        QTest::addColumn<bool>("rebuildFlag");
        QTest::addColumn<QString>("clicked"); // empty: only opened
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("presetEnabled"); // -1: as the opening left them
        QTest::addColumn<bool>("expected");
        QTest::newRow("open, both off") << false << false << "" << false << -1 << false;
        QTest::newRow("open, mail on") << true << false << "" << false << -1 << true;
        QTest::newRow("open, rebuild mail on") << false << true << "" << false << -1 << true;
        QTest::newRow("check mail") << false << false << "Mail" << true << -1 << true;
        QTest::newRow("uncheck mail, rebuild mail off")
            << true << false << "Mail" << false << -1 << false;
        QTest::newRow("uncheck mail, rebuild mail on")
            << true << true << "Mail" << false << -1 << true;
        QTest::newRow("check mail while rebuild mail on changes nothing")
            << false << true << "Mail" << true << 0 << false;
        QTest::newRow("check rebuild mail")
            << false << false << "RebuildMail" << true << -1 << true;
        QTest::newRow("uncheck rebuild mail, mail off")
            << false << true << "RebuildMail" << false << -1 << false;
        QTest::newRow("check rebuild mail while mail on changes nothing")
            << true << false << "RebuildMail" << true << 0 << false;
    }

    void mailFieldEnabling()
    {
        QFETCH(bool, mailFlag);
        QFETCH(bool, rebuildFlag);
        QFETCH(QString, clicked);
        QFETCH(bool, checked);
        QFETCH(int, presetEnabled);
        QFETCH(bool, expected);
        ControllerRig rig(iniPath());
        AppController& c = *rig.controller;
        c.preferences().loadUserDefaults();
        c.flags()._isSendMail = mailFlag;
        c.flags()._isSendRebuildMail = rebuildFlag;
        c.preferences().w1_OrderFront();
        if (presetEnabled >= 0)
            c.preferences().SetMailController(presetEnabled == 1);
        if (clicked == QLatin1String("Mail")) {
            c.form().setChecked(Box::Mail, checked);
            c.preferences().w1_SendMail();
        } else if (clicked == QLatin1String("RebuildMail")) {
            c.form().setChecked(Box::RebuildMail, checked);
            c.preferences().w1_SendRebuildMail();
        }
        for (const Text field : kMailFields)
            QVERIFY2(c.form().isEnabled(field) == expected,
                     qPrintable(SettingsForm::objectName(field)));
        // The POP fields are not part of the mail fields.
        for (const Text field : kPopFields)
            QVERIFY(!c.form().isEnabled(field));
    }

    void popFieldEnabling_data()
    {
        QTest::addColumn<bool>("popFlag");
        QTest::addColumn<int>("clickedTo"); // -1: only opened
        QTest::addColumn<bool>("expected");
        QTest::newRow("open with POP off") << false << -1 << false;
        QTest::newRow("open with POP on") << true << -1 << true;
        QTest::newRow("check POP") << false << 1 << true;
        QTest::newRow("uncheck POP") << true << 0 << false;
    }

    void popFieldEnabling()
    {
        QFETCH(bool, popFlag);
        QFETCH(int, clickedTo);
        QFETCH(bool, expected);
        ControllerRig rig(iniPath());
        AppController& c = *rig.controller;
        c.preferences().loadUserDefaults();
        c.flags()._isPOPbSMTP = popFlag;
        c.preferences().w1_OrderFront();
        QCOMPARE(c.form().isChecked(Box::POPbSMTP), popFlag);
        if (clickedTo >= 0) {
            c.form().setChecked(Box::POPbSMTP, clickedTo == 1);
            c.preferences().w1_POPbSMTP();
        }
        for (const Text field : kPopFields)
            QVERIFY2(c.form().isEnabled(field) == expected,
                     qPrintable(SettingsForm::objectName(field)));
    }

    void openingSetsTheCheckBoxesFromTheFlags()
    {
        ControllerRig rig(iniPath());
        AppController& c = *rig.controller;
        c.preferences().loadUserDefaults();
        c.flags() = AppController::Flags{true, false, true, false, true, false, true};
        c.preferences().w1_OrderFront();
        QCOMPARE(c.form().isChecked(Box::Mail), true);
        QCOMPARE(c.form().isChecked(Box::RebuildMail), false);
        QCOMPARE(c.form().isChecked(Box::POPbSMTP), true);
        QCOMPARE(c.form().isChecked(Box::LoginItem), false);
        QCOMPARE(c.form().isChecked(Box::Log), true);
        QCOMPARE(c.form().isChecked(Box::DispPanel), false);
        QCOMPARE(c.form().isChecked(Box::Shutdown), true);
        QCOMPARE(rig.windows.calls, QStringList{QStringLiteral("showSettings")});
    }

    void cancelKeepsEditedFieldsInUse()
    {
        ControllerRig rig(iniPath());
        AppController& c = *rig.controller;
        c.preferences().loadUserDefaults();
        c.form().setText(Text::SMTPServer, QStringLiteral("old.example.com"));
        c.preferences().w1_Ok();

        c.preferences().w1_OrderFront();
        c.form().setText(Text::SMTPServer, QStringLiteral("new.example.com"));
        c.form().setChecked(Box::Mail, true);
        rig.windows.calls.clear();
        c.preferences().w1_Cancel();

        QCOMPARE(rig.windows.calls, QStringList{QStringLiteral("closeSettings")});
        QCOMPARE(c.form().text(Text::SMTPServer), QStringLiteral("new.example.com"));
        QVERIFY(!c.flags()._isSendMail);
        QCOMPARE(DefaultsStore(iniPath()).stringForKey(QStringLiteral("SMTPServer")),
                 QStringLiteral("old.example.com"));

        // The check-box is reset from the flag at the next opening; the edit is stored at OK.
        c.preferences().w1_OrderFront();
        QVERIFY(!c.form().isChecked(Box::Mail));
        c.preferences().w1_Ok();
        QCOMPARE(DefaultsStore(iniPath()).stringForKey(QStringLiteral("SMTPServer")),
                 QStringLiteral("new.example.com"));
    }

    void okSavesEveryKey()
    {
        {
            ControllerRig rig(iniPath());
            AppController& c = *rig.controller;
            c.preferences().loadUserDefaults();
            c.preferences().w1_OrderFront();
            for (auto it = textKeys().cbegin(); it != textKeys().cend(); ++it)
                c.form().setText(it.value(), it.key() + QStringLiteral("-value"));
            c.form().setChecked(Box::Mail, true);
            c.form().setChecked(Box::RebuildMail, true);
            c.form().setChecked(Box::POPbSMTP, true);
            c.form().setChecked(Box::LoginItem, false);
            c.form().setChecked(Box::Log, true);
            c.form().setChecked(Box::DispPanel, false);
            c.form().setChecked(Box::SMTPAuth, true);
            c.form().setText(Text::ReminderHours, QStringLiteral("6"));
            c.form().setText(Text::WebhookFormat, QStringLiteral("ntfy"));
            c.form().setChecked(Box::DesktopNotifications, false);
            c.form().setChecked(Box::Webhook, true);
            c.form().setChecked(Box::ExportMetrics, true);
            c.preferences().w1_Ok();
            QCOMPARE(rig.windows.calls.mid(1), (QStringList{QStringLiteral("commitSettings"),
                                                            QStringLiteral("closeSettings")}));
        }
        ControllerRig next(iniPath());
        AppController& c = *next.controller;
        c.preferences().loadUserDefaults();
        for (auto it = textKeys().cbegin(); it != textKeys().cend(); ++it)
            QCOMPARE(c.form().text(it.value()), it.key() + QStringLiteral("-value"));
        QVERIFY(c.flags()._isSendMail);
        QVERIFY(c.flags()._isSendRebuildMail);
        QVERIFY(c.flags()._isPOPbSMTP);
        QVERIFY(!c.flags()._isAddLoginItem);
        QVERIFY(c.flags()._isMakeLog);
        QVERIFY(!c.flags()._isDispPanel);
        QVERIFY(c.flags()._isSMTPAuth);
        QCOMPARE(c.form().text(Text::ReminderHours), QStringLiteral("6"));
        QCOMPARE(c.form().text(Text::WebhookFormat), QStringLiteral("ntfy"));
        QVERIFY(!c.flags()._isDesktopNotifications);
        QVERIFY(c.flags()._isWebhook);
        QVERIFY(c.form().isChecked(Box::ExportMetrics));
    }

    // Mail reads the check-boxes: from launch on, without the settings window ever opened,
    // they and the fields' enabling follow the store.
    // A list setting from the store: a value the list does not offer reads as the default.
    void listSettingsFromTheStore_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ReminderHours 24") << "ReminderHours"
                                          << "24"
                                          << "24";
        QTest::newRow("ReminderHours 5 is not offered") << "ReminderHours"
                                                        << "5"
                                                        << "0";
        QTest::newRow("ReminderHours not a number") << "ReminderHours"
                                                    << "often"
                                                    << "0";
        QTest::newRow("WebhookFormat ntfy") << "WebhookFormat"
                                            << "ntfy"
                                            << "ntfy";
        QTest::newRow("WebhookFormat unknown") << "WebhookFormat"
                                               << "xml"
                                               << "json";
    }

    void listSettingsFromTheStore()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        {
            DefaultsStore store(iniPath());
            store.setString(key, stored);
            QVERIFY(store.synchronize());
        }
        ControllerRig rig(iniPath());
        rig.controller->preferences().loadUserDefaults();
        QCOMPARE(rig.controller->form().text(choiceKeys().value(key)), shown);
    }

    void launchFillsTheFormWithoutTheWindow()
    {
        {
            DefaultsStore store(iniPath());
            store.setBool(QStringLiteral("SendMail"), true);
            store.setBool(QStringLiteral("POPbSMTP"), true);
            store.setBool(QStringLiteral("SMTPAuth"), true);
            QVERIFY(store.synchronize());
        }
        ControllerRig rig(iniPath());
        AppController& c = *rig.controller;
        c.preferences().loadUserDefaults();
        QVERIFY(rig.windows.calls.isEmpty());
        QVERIFY(c.form().isChecked(Box::Mail));
        QVERIFY(c.form().isChecked(Box::POPbSMTP));
        QVERIFY(c.form().isChecked(Box::SMTPAuth));
        QVERIFY(!c.form().isChecked(Box::RebuildMail));
        QVERIFY(c.form().isChecked(Box::LoginItem));
        QVERIFY(!c.form().isChecked(Box::ExportMetrics));
        for (const Text field : {Text::SMTPServer, Text::SMTPSecurity, Text::SMTPCAFile,
                                 Text::POP3Server, Text::SMTPUser, Text::SMTPPassword})
            QVERIFY2(c.form().isEnabled(field), qPrintable(SettingsForm::objectName(field)));
        // Unchecking the sign-in box disables its fields; so does switching mail off.
        c.form().setChecked(Box::SMTPAuth, false);
        c.preferences().w1_SMTPAuth();
        QVERIFY(!c.form().isEnabled(Text::SMTPUser));
        c.form().setChecked(Box::SMTPAuth, true);
        c.preferences().w1_SMTPAuth();
        c.form().setChecked(Box::Mail, false);
        c.preferences().w1_SendMail();
        QVERIFY(!c.form().isEnabled(Text::SMTPPassword));
        QVERIFY(!c.form().isEnabled(Text::SMTPSecurity));
    }

    void smtpPasswordKeeping_data()
    {
        QTest::addColumn<bool>("keyring");      // a keyring answers
        QTest::addColumn<bool>("keyringTakes"); // it stores what it is given
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("place");
        const QString token = QString(256, QChar(u't'));
        const QString utf8 = QString(128, QChar(0xE4)); // 256 bytes
        const int keyringPlace = int(SecretPlace::Keyring);
        const int filePlace = int(SecretPlace::SettingsFile);
        QTest::newRow("keyring") << true << true << "app pass word" << keyringPlace;
        QTest::newRow("keyring, 256-byte token") << true << true << token << keyringPlace;
        QTest::newRow("no keyring") << false << false << "app pass word" << filePlace;
        QTest::newRow("no keyring, 256 bytes UTF-8") << false << false << utf8 << filePlace;
        QTest::newRow("keyring refuses") << true << false << token << filePlace;
    }

    void smtpPasswordKeeping()
    {
        QFETCH(bool, keyring);
        QFETCH(bool, keyringTakes);
        QFETCH(QString, password);
        QFETCH(int, place);
        FakeSecretStore secrets;
        secrets.available = keyring;
        secrets.takes = keyringTakes;
        {
            ControllerRig rig(iniPath(), QStringLiteral("/opt/tamro/tamro-monitor"), &secrets);
            rig.controller->preferences().loadUserDefaults();
            QCOMPARE(rig.controller->form().text(Text::SMTPPasswordPlace), QString());
            rig.controller->form().setText(Text::SMTPPassword, password);
            // Sign-in wanted: the next run fetches the password.
            rig.controller->form().setChecked(Box::SMTPAuth, true);
            rig.controller->preferences().w1_Ok();
            QVERIFY(rig.modal.alerts.isEmpty());
            QCOMPARE(int(rig.controller->preferences().smtpPasswordPlace()), place);
            QCOMPARE(rig.controller->form().text(Text::SMTPPasswordPlace),
                     place == int(SecretPlace::Keyring)
                         ? QStringLiteral("MSG_SMTPPasswordInKeyring")
                         : QStringLiteral("MSG_SMTPPasswordInFile"));
            // A second OK with the same password asks the keyring nothing.
            const int writes = secrets.writes;
            rig.controller->preferences().w1_OrderFront();
            rig.controller->preferences().w1_Ok();
            QCOMPARE(secrets.writes, writes);
        }
        const QByteArray file = tamro::test::readFile(iniPath());
        QVERIFY(!file.contains(password.toUtf8()));
        QCOMPARE(fileMode(iniPath()), 0600);
        const QByteArray stored =
            DefaultsStore(iniPath()).dataForKey(QStringLiteral("SMTPPassword"));
        if (place == int(SecretPlace::Keyring)) {
            QVERIFY(stored.isEmpty());
            QCOMPARE(secrets.entries.value(QStringLiteral("SMTPPassword")), password);
        } else {
            QCOMPARE(stored.size(), 257);
        }

        ControllerRig next(iniPath(), QStringLiteral("/opt/tamro/tamro-monitor"), &secrets);
        next.controller->preferences().loadUserDefaults();
        QCOMPARE(next.controller->form().text(Text::SMTPPassword), password);
        QCOMPARE(int(next.controller->preferences().smtpPasswordPlace()), place);
    }

    // The settings file holds the SMTP password only when the keyring could not take it: its
    // value is the newer one and the keyring is not asked.
    void smtpPasswordInTheSettingsFileWins()
    {
        FakeSecretStore secrets;
        secrets.entries.insert(QStringLiteral("SMTPPassword"), QStringLiteral("stale"));
        secrets.takes = false;
        {
            DefaultsStore store(iniPath());
            store.setBool(QStringLiteral("SMTPAuth"), true);
            QVERIFY(store.synchronize());
        }
        {
            ControllerRig rig(iniPath(), QStringLiteral("/opt/tamro/tamro-monitor"), &secrets);
            rig.controller->preferences().loadUserDefaults();
            QCOMPARE(rig.controller->form().text(Text::SMTPPassword), QStringLiteral("stale"));
            rig.controller->form().setText(Text::SMTPPassword, QStringLiteral("newer"));
            rig.controller->preferences().w1_Ok();
        }
        secrets.reads = 0;
        ControllerRig next(iniPath(), QStringLiteral("/opt/tamro/tamro-monitor"), &secrets);
        next.controller->preferences().loadUserDefaults();
        QCOMPARE(next.controller->form().text(Text::SMTPPassword), QStringLiteral("newer"));
        QCOMPARE(secrets.reads, 0);
        QCOMPARE(next.controller->preferences().smtpPasswordPlace(), SecretPlace::SettingsFile);
    }

    // Without sign-in the keyring is not asked at launch (a bus round trip and the keyring
    // libraries for the whole run); checking the sign-in box fetches the password.
    void smtpPasswordFetchedOnlyForSignIn()
    {
        FakeSecretStore secrets;
        secrets.entries.insert(QStringLiteral("SMTPPassword"), QStringLiteral("kept"));
        ControllerRig rig(iniPath(), QStringLiteral("/opt/tamro/tamro-monitor"), &secrets);
        AppController& c = *rig.controller;
        c.preferences().loadUserDefaults();
        QCOMPARE(secrets.reads, 0);
        QCOMPARE(c.form().text(Text::SMTPPassword), QString());
        c.form().setChecked(Box::SMTPAuth, true);
        c.preferences().w1_SMTPAuth();
        QCOMPARE(secrets.reads, 1);
        QCOMPARE(c.form().text(Text::SMTPPassword), QStringLiteral("kept"));
        QCOMPARE(c.form().text(Text::SMTPPasswordPlace),
                 QStringLiteral("MSG_SMTPPasswordInKeyring"));
        // OK without a change keeps the password where it is and asks nothing more.
        const int writes = secrets.writes;
        c.preferences().w1_Ok();
        QCOMPARE(secrets.writes, writes);
        QCOMPARE(secrets.entries.value(QStringLiteral("SMTPPassword")), QStringLiteral("kept"));
    }

    void autostartEntryAfterOk_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("staleEntry");
        QTest::addColumn<QString>("execLine"); // empty: no entry expected
        QTest::newRow("option on")
            << "/opt/tamro/tamro-monitor" << true << false << "Exec=/opt/tamro/tamro-monitor";
        QTest::newRow("option on, stale entry replaced")
            << "/opt/tamro/tamro-monitor" << true << true << "Exec=/opt/tamro/tamro-monitor";
        QTest::newRow("option on, blanks in the path")
            << "/opt/TAMRO RAID/tamro monitor" << true << false
            << "Exec=\"/opt/TAMRO RAID/tamro monitor\"";
        QTest::newRow("option on, quote, dollar and percent")
            << "/opt/a\"b$c/100%" << true << false << "Exec=\"/opt/a\\\\\"b\\\\$c/100%%\"";
        QTest::newRow("option off, entry removed")
            << "/opt/tamro/tamro-monitor" << false << true << "";
        QTest::newRow("option off, no entry") << "/opt/tamro/tamro-monitor" << false << false << "";
    }

    void autostartEntryAfterOk()
    {
        QFETCH(QString, executable);
        QFETCH(bool, option);
        QFETCH(bool, staleEntry);
        QFETCH(QString, execLine);
        ControllerRig rig(iniPath(), executable);
        AppController& c = *rig.controller;
        const QString entryPath = c.preferences().autostartEntryPath();
        QCOMPARE(entryPath, autostartFolder() + u'/' + QFileInfo(executable).fileName() +
                                QStringLiteral(".desktop"));
        if (staleEntry) {
            QDir().mkpath(autostartFolder());
            QFile stale(entryPath);
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write("[Desktop Entry]\nExec=/old/place\nHidden=true\n");
        }
        c.preferences().loadUserDefaults();
        c.preferences().w1_OrderFront();
        c.form().setChecked(Box::LoginItem, option);
        c.preferences().w1_Ok();
        QCOMPARE(c.flags()._isAddLoginItem, option);

        if (execLine.isEmpty()) {
            QVERIFY(!QFile::exists(entryPath));
            return;
        }
        const QStringList lines =
            QString::fromUtf8(tamro::test::readFile(entryPath)).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines,
                 (QStringList{QStringLiteral("[Desktop Entry]"), QStringLiteral("Type=Application"),
                              QStringLiteral("Name=TAMRO RAID MONITOR"), execLine,
                              QStringLiteral("Hidden=false"),
                              QStringLiteral("X-GNOME-Autostart-enabled=true")}));
    }

    void settingsFileIsPrivate_data()
    {
        QTest::addColumn<bool>("existedOpen");
        QTest::newRow("created by the program") << false;
        QTest::newRow("existed readable by all") << true;
    }

    void settingsFileIsPrivate()
    {
        QFETCH(bool, existedOpen);
        if (existedOpen) {
            QFile file(iniPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[General]\nSMTPServer=x\n");
            file.close();
            QVERIFY(QFile::setPermissions(iniPath(),
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther));
            QCOMPARE(fileMode(iniPath()), 0644);
        }
        ControllerRig rig(iniPath());
        rig.controller->preferences().loadUserDefaults();
        rig.controller->form().setText(Text::Password, QStringLiteral("secret"));
        rig.controller->preferences().w1_Ok();
        QCOMPARE(fileMode(iniPath()), 0600);
    }

    void settingsFileIsCreatedPrivateBeforeTheFirstWrite()
    {
        DefaultsStore store(iniPath());
        QVERIFY(!QFile::exists(iniPath()));
        store.setString(QStringLiteral("SMTPServer"), QStringLiteral("x"));
        QCOMPARE(fileMode(iniPath()), 0600);
        // QSettings may write on its own from the event loop; the file stays private.
        QCoreApplication::processEvents();
        QCOMPARE(fileMode(iniPath()), 0600);
    }

    void okWithAStoreThatCannotBeWrittenIsReported()
    {
        // A store whose folder is a plain file cannot be written.
        QFile blocker(_dir->filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ControllerRig rig(blocker.fileName() + QStringLiteral("/settings.conf"));
        AppController& c = *rig.controller;
        c.preferences().loadUserDefaults();
        c.preferences().w1_OrderFront();
        c.form().setChecked(Box::Mail, true);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("could not write the settings")));
        c.preferences().w1_Ok();
        // The options hold for this run even though they could not be kept.
        QVERIFY(c.flags()._isSendMail);
    }

    void raidNamesAreLoaded_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariantMap>("expected");
        const QVariantMap names = {{QStringLiteral("1234"), QStringLiteral("Office")},
                                   {QStringLiteral("99"), QStringLiteral("Backup")}};
        QTest::newRow("dictionary") << QVariant(names) << names;
        QTest::newRow("text ignored") << QVariant(QStringLiteral("Office")) << QVariantMap();
        QTest::newRow("list ignored")
            << QVariant(QStringList{QStringLiteral("a")}) << QVariantMap();
    }

    void raidNamesAreLoaded()
    {
        QFETCH(QVariant, value);
        QFETCH(QVariantMap, expected);
        {
            QSettings settings(iniPath(), QSettings::IniFormat);
            settings.setValue(QStringLiteral("RAIDName"), value);
        }
        ControllerRig rig(iniPath());
        rig.controller->preferences().loadUserDefaults();
        QCOMPARE(rig.controller->nameDict(), expected);
    }

    void chooseLogFile_data()
    {
        // The log path (save dialog), the CA file (open dialog) or the metrics folder (folder
        // dialog).
        QTest::addColumn<int>("field");
        QTest::addColumn<QVariant>("answer"); // invalid: cancelled
        QTest::addColumn<QString>("expected");
        const int log = int(Text::LogFilePath);
        const int ca = int(Text::SMTPCAFile);
        QTest::newRow("log file chosen")
            << log << QVariant(QStringLiteral("/tmp/other/log.csv")) << "/tmp/other/log.csv";
        QTest::newRow("log file cancelled") << log << QVariant() << "/var/log/tamro/start.csv";
        QTest::newRow("CA file chosen")
            << ca << QVariant(QStringLiteral("/etc/company/ca.pem")) << "/etc/company/ca.pem";
        QTest::newRow("CA file cancelled") << ca << QVariant() << "/var/log/tamro/start.csv";
        const int metrics = int(Text::MetricsFolder);
        QTest::newRow("metrics folder chosen")
            << metrics << QVariant(QStringLiteral("/srv/metrics")) << "/srv/metrics";
        QTest::newRow("metrics folder cancelled")
            << metrics << QVariant() << "/var/log/tamro/start.csv";
    }

    void chooseLogFile()
    {
        QFETCH(int, field);
        QFETCH(QVariant, answer);
        QFETCH(QString, expected);
        const Text text = Text(field);
        const bool caFile = text == Text::SMTPCAFile;
        const bool folder = text == Text::MetricsFolder;
        ControllerRig rig(iniPath());
        rig.controller->preferences().loadUserDefaults();
        rig.controller->form().setText(text, QStringLiteral("/var/log/tamro/start.csv"));
        RecordingModal& m = rig.modal;
        if (answer.isValid())
            (caFile   ? m.openDialogAnswer
             : folder ? m.folderDialogAnswer
                      : m.saveDialogAnswer) = answer.toString();
        if (caFile)
            rig.controller->preferences().w1_SetCAFile();
        else if (folder)
            rig.controller->metricsPreferences().w1_SetMetricsFolder();
        else
            rig.controller->preferences().w1_SetFilePath();
        const QStringList* asked = caFile   ? &m.openDialogStarts
                                   : folder ? &m.folderDialogStarts
                                            : &m.saveDialogStarts;
        QCOMPARE(*asked, QStringList{QStringLiteral("/var/log/tamro/start.csv")});
        // No other dialog was opened.
        for (const QStringList* other :
             {&m.openDialogStarts, &m.folderDialogStarts, &m.saveDialogStarts}) {
            if (other != asked)
                QVERIFY(other->isEmpty());
        }
        QCOMPARE(rig.controller->form().text(text), expected);
        // Stored only at the next OK.
        QVERIFY(!rig.store.hasStoredValue(caFile   ? QStringLiteral("SMTPCAFile")
                                          : folder ? QStringLiteral("MetricsFolder")
                                                   : QStringLiteral("LogFilePath")));
    }
};

TAMRO_TEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
