// SPDX-License-Identifier: GPL-3.0-or-later
// The notice, quit and password panels: their controls, their result codes, the modal mode
// while they run, and that they are hidden afterwards.
#include "platform/modalgate.h"
#include "testmain.h"
#include "ui/panels.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// Clicks a button of the panel once its modal run has started, and notes whether the run
// was in modal mode then.
void clickWhenRunning(QDialog& panel, const char* button, bool* wasModal, const QString& typed = {})
{
    QTimer::singleShot(0, &panel, [&panel, button, wasModal, typed] {
        *wasModal = ModalGate::instance().isModal() && panel.isVisible();
        if (!typed.isEmpty())
            panel.findChild<QLineEdit*>(QStringLiteral("p2_Password"))->setText(typed);
        panel.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    });
}

} // namespace

class PanelsTest : public QObject
{
    Q_OBJECT

private slots:
    void controlsHaveTheirNames()
    {
        NoticePanel notice;
        QuitPanel quit;
        PasswordPanel password;
        QCOMPARE(notice.objectName(), QStringLiteral("p0_Panel"));
        QCOMPARE(quit.objectName(), QStringLiteral("p1_Panel"));
        QCOMPARE(password.objectName(), QStringLiteral("p2_Panel"));
        for (auto [panel, names] :
             {std::pair<QDialog*, QStringList>{&notice, {"p0_Status", "p0_Image"}},
              {&quit, {"p1_Status", "p1_Image"}},
              {&password, {"p2_Status", "p2_Image"}}}) {
            for (const QString& name : names)
                QVERIFY2(panel->findChild<QLabel*>(name), qPrintable(name));
            QVERIFY(panel->windowFlags() & Qt::WindowStaysOnTopHint);
        }
        QVERIFY(notice.findChild<QPushButton*>(QStringLiteral("p0_Ok")));
        QVERIFY(quit.findChild<QPushButton*>(QStringLiteral("p1_Ok")));
        QVERIFY(quit.findChild<QPushButton*>(QStringLiteral("p1_Cancel")));
        QVERIFY(password.findChild<QPushButton*>(QStringLiteral("p2_Ok")));
        QVERIFY(password.findChild<QPushButton*>(QStringLiteral("p2_Cancel")));
        auto* field = password.findChild<QLineEdit*>(QStringLiteral("p2_Password"));
        QVERIFY(field);
        QCOMPARE(field->echoMode(), QLineEdit::Password);
    }

    void noticePanel()
    {
        NoticePanel panel;
        bool wasModal = false;
        clickWhenRunning(panel, "p0_Ok", &wasModal);
        QCOMPARE(panel.run(QStringLiteral("Disk2 is gone")), 1);
        QVERIFY(wasModal);
        QVERIFY(!panel.isVisible());
        QVERIFY(!ModalGate::instance().isModal());
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("p0_Status"))->text(),
                 QStringLiteral("Disk2 is gone"));
        QVERIFY(!panel.findChild<QLabel*>(QStringLiteral("p0_Image"))->pixmap().isNull());
    }

    void quitPanel_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("code");
        QTest::newRow("OK") << "p1_Ok" << 1;
        QTest::newRow("Cancel") << "p1_Cancel" << 0;
    }

    void quitPanel()
    {
        QFETCH(QString, button);
        QFETCH(int, code);
        QuitPanel panel;
        bool wasModal = false;
        const QByteArray name = button.toLatin1();
        clickWhenRunning(panel, name.constData(), &wasModal);
        QCOMPARE(panel.run(QStringLiteral("Quit?")), code);
        QVERIFY(wasModal);
        QVERIFY(!panel.isVisible());
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("p1_Status"))->text(),
                 QStringLiteral("Quit?"));
    }

    void passwordPanel()
    {
        PasswordPanel panel;
        bool wasModal = false;
        clickWhenRunning(panel, "p2_Ok", &wasModal, QStringLiteral("s3cret word"));
        QCOMPARE(panel.run(QStringLiteral("Enter it")), std::optional<QString>(u"s3cret word"_qs));
        QVERIFY(wasModal);
        QVERIFY(!panel.isVisible());
        // The field does not keep the password, and is empty when the panel comes back.
        auto* field = panel.findChild<QLineEdit*>(QStringLiteral("p2_Password"));
        QCOMPARE(field->text(), QString());

        clickWhenRunning(panel, "p2_Cancel", &wasModal, QStringLiteral("typed"));
        QCOMPARE(panel.run(QStringLiteral("Again")), std::nullopt);
        QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("p2_Status"))->text(),
                 QStringLiteral("Again"));
        QCOMPARE(field->text(), QString());
    }

    void timersWaitWhileAPanelIsUp()
    {
        NoticePanel panel;
        QObject context;
        bool ran = false;
        bool ranWhileUp = false;
        QTimer::singleShot(0, &panel, [&] {
            ModalGate::instance().run(&context, [&] { ran = true; });
            ranWhileUp = ran;
            panel.findChild<QPushButton*>(QStringLiteral("p0_Ok"))->click();
        });
        panel.run(QStringLiteral("wait"));
        QVERIFY(!ranWhileUp);
        QTRY_VERIFY(ran);
    }
};

TAMRO_TEST_MAIN(PanelsTest)
#include "test_panels.moc"
