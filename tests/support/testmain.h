// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry points: every test runs headless, with HOME and the XDG folders pointed at a
// fresh temporary directory, so no test ever reads or writes the user's real settings.
#pragma once

// Widgets only where the test links them; logic tests link Core and Network alone.
#if __has_include(<QApplication>)
#include <QApplication>
#define TAMRO_TEST_HAS_WIDGETS 1
#endif
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace tamro::test {

// Creates the temporary home once per process and exports it before Qt starts.
inline const QTemporaryDir& isolateEnvironment()
{
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tamro-test-XXXXXX"));
    static bool done = false;
    if (!done) {
        done = true;
        const QByteArray root = home.path().toLocal8Bit();
        const auto sub = [&](const char* name) {
            const QByteArray path = root + '/' + name;
            QDir().mkpath(QString::fromLocal8Bit(path));
            return path;
        };
        qputenv("HOME", root);
        qputenv("XDG_CONFIG_HOME", sub(".config"));
        qputenv("XDG_DATA_HOME", sub(".local/share"));
        qputenv("XDG_CACHE_HOME", sub(".cache"));
        const QByteArray runtime = sub("runtime");
        QFile::setPermissions(QString::fromLocal8Bit(runtime), QFileDevice::ReadOwner |
                                                                   QFileDevice::WriteOwner |
                                                                   QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime);
        // No test reaches the user's own session bus (and so the user's keyring or running
        // monitor): only the keyring tests (tests/support/with_keyring.sh) and the tests of the
        // bus, each inside a private session, keep the bus they were given.
        if (qEnvironmentVariableIsEmpty("TAMRO_TEST_KEYRING") &&
            qEnvironmentVariableIntValue("TAMRO_TEST_SESSION_BUS") != 1)
            qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root + "/no-session-bus");
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    return home;
}

// The temporary home of this test process.
inline QString homePath()
{
    return isolateEnvironment().path();
}

} // namespace tamro::test

#define TAMRO_TEST_MAIN_IMPL(AppType, TestObject)                                                  \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        tamro::test::isolateEnvironment();                                                         \
        AppType app(argc, argv);                                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

#ifdef TAMRO_TEST_HAS_WIDGETS
// For tests that need widgets.
#define TAMRO_TEST_MAIN(TestObject) TAMRO_TEST_MAIN_IMPL(QApplication, TestObject)
#endif
// For tests of the logic library (no widgets).
#define TAMRO_TEST_GUILESS_MAIN(TestObject) TAMRO_TEST_MAIN_IMPL(QCoreApplication, TestObject)
