// SPDX-License-Identifier: GPL-3.0-or-later
// The SMTP password kept through the real keyring layer. Run twice by CTest: once as it is,
// without a session bus (the password then goes to the settings file, and nothing waits),
// and once inside a private D-Bus session with gnome-keyring (tests/support/with_keyring.sh,
// which sets TAMRO_TEST_KEYRING), where it goes to the Secret Service.
#include "../settings/settingsfakes.h"
#include "keychain/keychainstore.h"
#include "settings/secretkeeper.h"
#include "testfiles.h"
#include "testmain.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using Text = SettingsForm::Text;
using Box = SettingsForm::Box;

namespace {

// The service the entries are kept under: the tests' own, never the program's.
const QString kService = QStringLiteral("TAMRO RAID MONITOR test");

using tamro::test::fileMode;

} // namespace

class TestKeychainStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { nameApplication(); }
    void smtpPasswordIsKept();
};

void TestKeychainStore::smtpPasswordIsKept()
{
    const bool keyring = qEnvironmentVariableIsSet("TAMRO_TEST_KEYRING");
    // Without a bus the answer must come at once: with a limit of ten minutes, a store that
    // waited would run into the test's own time limit.
    const int limitMs = keyring ? 30000 : 600000;
    const QString password = QStringLiteral("app password ") + QString(100, QChar(0xE4));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("settings.conf"));
    const SecretPlace place = keyring ? SecretPlace::Keyring : SecretPlace::SettingsFile;
    {
        KeychainSecretStore secrets(kService, limitMs);
        QCOMPARE(secrets.isAvailable(), keyring);
        ControllerRig rig(ini, QStringLiteral("/opt/tamro/tamro-monitor"), &secrets);
        rig.controller->preferences().loadUserDefaults();
        rig.controller->form().setText(Text::SMTPPassword, password);
        rig.controller->form().setChecked(Box::SMTPAuth, true); // the next run fetches it
        rig.controller->preferences().w1_Ok();
        QCOMPARE(rig.controller->preferences().smtpPasswordPlace(), place);
        QCOMPARE(rig.controller->form().text(Text::SMTPPasswordPlace),
                 keyring ? QStringLiteral("MSG_SMTPPasswordInKeyring")
                         : QStringLiteral("MSG_SMTPPasswordInFile"));
    }
    const QByteArray file = tamro::test::readFile(ini);
    QVERIFY(!file.isEmpty());
    QVERIFY(!file.contains(password.toUtf8()));
    QCOMPARE(file.contains("SMTPPassword"), !keyring);
    QCOMPARE(fileMode(ini), 0600);

    if (keyring) {
        // What any other program of the session finds in the Secret Service.
        QProcess lookup;
        lookup.start(QStringLiteral("secret-tool"),
                     {QStringLiteral("lookup"), QStringLiteral("server"), kService,
                      QStringLiteral("user"), SecretKeeper::keyringKey()});
        QVERIFY2(lookup.waitForFinished(30000), "secret-tool did not end");
        QCOMPARE(QString::fromUtf8(lookup.readAllStandardOutput()).trimmed(), password);
    }

    // The next run reads it back from where it was kept.
    KeychainSecretStore secrets(kService, limitMs);
    ControllerRig next(ini, QStringLiteral("/opt/tamro/tamro-monitor"), &secrets);
    next.controller->preferences().loadUserDefaults();
    QCOMPARE(next.controller->form().text(Text::SMTPPassword), password);
    QCOMPARE(next.controller->preferences().smtpPasswordPlace(), place);
}

TAMRO_TEST_GUILESS_MAIN(TestKeychainStore)
#include "test_keychainstore.moc"
