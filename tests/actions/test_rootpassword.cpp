// SPDX-License-Identifier: GPL-3.0-or-later
// The administrator password and the shutdown against a stand-in sudo placed first on PATH:
// a script that records each call's arguments and standard input and prints what the test
// tells it. The real sudo is never run: the test stops at once if PATH finds any other.
#include "actions/shutdown.h"
#include "app/appcontroller.h"
#include "fakemodal.h"
#include "settings/defaultsstore.h"
#include "testfiles.h"
#include "testmain.h"
#include "util/secretbytes.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

namespace {

using tamro::test::readFile;
using tamro::test::splitNul;
using tamro::test::writeFile;

const QString kAsk1 = QStringLiteral("MSG_EnterPassword1");
const QString kAsk2 = QStringLiteral("MSG_EnterPassword2");
const QStringList kForget{QStringLiteral("-k")};
const QStringList kCheck{QStringLiteral("-S"), QStringLiteral("echo"), QStringLiteral("OK!")};
const QStringList kShutdown{QStringLiteral("-S"), QStringLiteral("shutdown"), QStringLiteral("-h"),
                            QStringLiteral("now")};

} // namespace

class TestRootPassword : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cancelUnticks();
    void emptyPasswordRunsBothCommandsThenAsksAgain();
    void checkOutput_data();
    void checkOutput();
    void heldPasswordSkipsThePanel();
    void shellCharactersReachSudoIntact();
    void execShutdownHandsThePasswordToSudo();
    void execShutdownWithoutPasswordRunsNothing();
    void sudoThatCannotStart_data();
    void sudoThatCannotStart();
    void hangingCheckIsStoppedAndRejected();

private:
    QString path(const QString& name) const { return _dir->filePath(name); }
    void makeController(const QString& sudoProgram = QStringLiteral("sudo"),
                        int sudoTimeoutMs = 10000);
    void setCheckReply(const QByteArray& out, const QByteArray& err);
    int callCount() const { return readFile(path(QStringLiteral("count"))).trimmed().toInt(); }
    QStringList callArguments(int n) const
    {
        return splitNul(readFile(path(QStringLiteral("call%1.args").arg(n))));
    }
    QByteArray callInput(int n) const
    {
        return readFile(path(QStringLiteral("call%1.stdin").arg(n)));
    }
    void tickShutdownBox();

    QTemporaryDir _bin;
    QString _sudo;
    std::unique_ptr<QTemporaryDir> _dir;
    std::unique_ptr<DefaultsStore> _store;
    std::unique_ptr<FakeModal> _modal;
    std::unique_ptr<AppController> _c;
};

void TestRootPassword::initTestCase()
{
    QVERIFY(_bin.isValid());
    _sudo = _bin.filePath(QStringLiteral("sudo"));
    QVERIFY(writeFile(_sudo, "#!/bin/sh\nexit 99\n"));
    QVERIFY(QFile::setPermissions(_sudo, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("PATH", _bin.path().toLocal8Bit() + ':' + qgetenv("PATH"));
    // Every test below relies on this: a real sudo must never be reached.
    QCOMPARE(QStandardPaths::findExecutable(QStringLiteral("sudo")), _sudo);
}

void TestRootPassword::init()
{
    _dir = std::make_unique<QTemporaryDir>();
    QVERIFY(_dir->isValid());
    // The stand-in records each call in this test's folder; "out" and "err" are what the
    // password check prints, "hang" keeps the check running.
    const QByteArray script =
        "#!/bin/sh\n"
        "D='" +
        _dir->path().toLocal8Bit() +
        "'\n"
        "n=$(( $(cat \"$D/count\" 2>/dev/null || echo 0) + 1 ))\n"
        "echo $n > \"$D/count\"\n"
        ": > \"$D/call$n.args\"\n"
        "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$D/call$n.args\"; done\n"
        "cat > \"$D/call$n.stdin\"\n"
        "if [ \"$1\" = \"-S\" ]; then\n"
        "  [ -f \"$D/hang\" ] && exec sleep 60\n"
        "  [ -f \"$D/out\" ] && cat \"$D/out\"\n"
        "  [ -f \"$D/err\" ] && cat \"$D/err\" >&2\n"
        "fi\n"
        "exit 0\n";
    QVERIFY(writeFile(_sudo, script));
    _store = std::make_unique<DefaultsStore>(path(QStringLiteral("defaults.ini")));
    _modal = std::make_unique<FakeModal>();
    RootPassword::instance().release();
    makeController();
}

void TestRootPassword::cleanup()
{
    RootPassword::instance().release();
    _c.reset();
    _modal.reset();
    _store.reset();
    _dir.reset();
}

void TestRootPassword::makeController(const QString& sudoProgram, int sudoTimeoutMs)
{
    _c.reset();
    const ControllerConfig config =
        actionsTestConfig(_store.get(), _modal.get(), path(QStringLiteral("no-mail-tool")),
                          sudoProgram, 10000, sudoTimeoutMs);
    _c = std::make_unique<AppController>(config);
}

void TestRootPassword::setCheckReply(const QByteArray& out, const QByteArray& err)
{
    QVERIFY(writeFile(path(QStringLiteral("out")), out));
    QVERIFY(writeFile(path(QStringLiteral("err")), err));
}

void TestRootPassword::tickShutdownBox()
{
    _c->form().setChecked(SettingsForm::Box::Shutdown, true);
    _c->shutdownAction().w1_GetRootPassword();
}

void TestRootPassword::cancelUnticks()
{
    tickShutdownBox();
    QVERIFY(!_c->form().isChecked(SettingsForm::Box::Shutdown));
    QVERIFY(!_c->shutdownAction().hasRootPassword());
    QCOMPARE(_modal->passwordStatuses, QStringList{kAsk1});
    QCOMPARE(callCount(), 0);
}

void TestRootPassword::emptyPasswordRunsBothCommandsThenAsksAgain()
{
    _modal->passwordAnswers = {QString(), std::nullopt};
    tickShutdownBox();

    QCOMPARE(callCount(), 2);
    QCOMPARE(callArguments(1), kForget);
    QCOMPARE(callInput(1), QByteArray()); // forgetting credentials needs no password
    QCOMPARE(callArguments(2), kCheck);
    QCOMPARE(callInput(2), QByteArray("\n"));
    QCOMPARE(_modal->passwordStatuses, (QStringList{kAsk1, kAsk2}));
    QVERIFY(_modal->notices.isEmpty());
    QVERIFY(!_c->shutdownAction().hasRootPassword());
    QVERIFY(!_c->form().isChecked(SettingsForm::Box::Shutdown));
}

void TestRootPassword::checkOutput_data()
{
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::addColumn<int>("lineEnds");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("nothing printed") << QByteArray() << QByteArray() << 0 << true;
    QTest::newRow("OK! alone") << QByteArray("OK!\n") << QByteArray() << 1 << true;
    QTest::newRow("prompt and OK!: two")
        << QByteArray("OK!\n") << QByteArray("[sudo] password for u: \n") << 2 << true;
    QTest::newRow("two line ends, text after the last")
        << QByteArray("a\nb\nc") << QByteArray() << 2 << true;
    QTest::newRow("three on standard output")
        << QByteArray("a\nb\nc\n") << QByteArray() << 3 << false;
    QTest::newRow("complaints on standard error count too")
        << QByteArray()
        << QByteArray("[sudo] password for u: \nSorry, try again.\nsudo: 1 incorrect\n") << 3
        << false;
}

void TestRootPassword::checkOutput()
{
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QFETCH(int, lineEnds);
    QFETCH(bool, accepted);
    setCheckReply(out, err);
    _modal->passwordAnswers = {QStringLiteral("pw1"), std::nullopt};

    tickShutdownBox();
    QCOMPARE(_c->shutdownAction().hasRootPassword(), accepted);
    QCOMPARE(_c->form().isChecked(SettingsForm::Box::Shutdown), accepted);
    QCOMPARE(callCount(), 2);
    QCOMPARE(callInput(2), QByteArray("pw1\n"));
    if (accepted) {
        QCOMPARE(_modal->passwordStatuses, QStringList{kAsk1});
        QCOMPARE(_modal->notices, QStringList{QStringLiteral("MSG_PasswordOK")});
    } else {
        QCOMPARE(_modal->passwordStatuses, (QStringList{kAsk1, kAsk2}));
        QVERIFY(_modal->notices.isEmpty());
    }
    QCOMPARE(_c->shutdownAction().doExecLog(kCheck), lineEnds);
}

void TestRootPassword::heldPasswordSkipsThePanel()
{
    setCheckReply("OK!\n", QByteArray());
    _modal->passwordAnswers = {QStringLiteral("pw1")};
    tickShutdownBox();
    QVERIFY(_c->shutdownAction().hasRootPassword());
    const int calls = callCount();

    // Unticking keeps the password; ticking again needs neither panel nor sudo.
    _c->form().setChecked(SettingsForm::Box::Shutdown, false);
    _c->shutdownAction().w1_GetRootPassword();
    QVERIFY(_c->shutdownAction().hasRootPassword());
    tickShutdownBox();
    QVERIFY(_c->form().isChecked(SettingsForm::Box::Shutdown));
    QCOMPARE(_modal->passwordStatuses, QStringList{kAsk1});
    QCOMPARE(callCount(), calls);

    // The password is process-wide: a new controller in the same run finds it held.
    makeController();
    QVERIFY(_c->shutdownAction().getRootPwd());
    QCOMPARE(_modal->passwordStatuses.size(), 1);
}

void TestRootPassword::shellCharactersReachSudoIntact()
{
    const QString marker = path(QStringLiteral("marker"));
    const QString password =
        QStringLiteral("a b; touch %1 'q\"$(touch %1)`touch %1`|x&>%1 \\").arg(marker);
    setCheckReply("OK!\n", QByteArray());
    _modal->passwordAnswers = {password};

    tickShutdownBox();
    QVERIFY(_c->shutdownAction().hasRootPassword());
    QCOMPARE(callCount(), 2);
    QCOMPARE(callArguments(1), kForget);
    QCOMPARE(callArguments(2), kCheck);
    QCOMPARE(callInput(2), password.toLocal8Bit() + '\n');
    QVERIFY(!QFile::exists(marker));
}

void TestRootPassword::execShutdownHandsThePasswordToSudo()
{
    setCheckReply("OK!\n", QByteArray());
    _modal->passwordAnswers = {QStringLiteral("root pw")};
    QVERIFY(_c->shutdownAction().getRootPwd());
    QCOMPARE(callCount(), 2);

    _c->shutdownAction().execShutdown();
    QCOMPARE(callCount(), 3);
    QCOMPARE(callArguments(3), kShutdown);
    QCOMPARE(callInput(3), QByteArray("root pw\n"));
}

void TestRootPassword::execShutdownWithoutPasswordRunsNothing()
{
    _c->shutdownAction().execShutdown();
    QCOMPARE(callCount(), 0);
}

void TestRootPassword::sudoThatCannotStart_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    // Nothing could check the password, and no line end means no complaint.
    QTest::newRow("non-empty: taken unchecked") << "pw1" << true;
    QTest::newRow("empty: asked again") << "" << false;
}

void TestRootPassword::sudoThatCannotStart()
{
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    makeController(path(QStringLiteral("missing/sudo")));
    _modal->passwordAnswers = {password, std::nullopt};

    QCOMPARE(_c->shutdownAction().getRootPwd(), accepted);
    QCOMPARE(_c->shutdownAction().hasRootPassword(), accepted);
    QCOMPARE(_modal->passwordStatuses.size(), accepted ? 1 : 2);
    QCOMPARE(_c->shutdownAction().doExecLog(kCheck), 0);
    QCOMPARE(callCount(), 0);
}

void TestRootPassword::hangingCheckIsStoppedAndRejected()
{
    makeController(QStringLiteral("sudo"), 300);
    QVERIFY(writeFile(path(QStringLiteral("hang")), "1"));
    _modal->passwordAnswers = {QStringLiteral("pw1"), std::nullopt};

    tickShutdownBox();
    QVERIFY(!_c->shutdownAction().hasRootPassword());
    QVERIFY(!_c->form().isChecked(SettingsForm::Box::Shutdown));
    QCOMPARE(_modal->passwordStatuses, (QStringList{kAsk1, kAsk2}));
    QCOMPARE(callCount(), 2);
}

TAMRO_TEST_GUILESS_MAIN(TestRootPassword)
#include "test_rootpassword.moc"
