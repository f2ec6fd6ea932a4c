// SPDX-License-Identifier: GPL-3.0-or-later
// The shell between the controller and the desktop: answered panels and alerts, the
// end-to-end answer mode, the status menu, the status window without a tray, and the icon
// and summary it keeps.
#include "guitestsupport.h"
#include "presentation/statuspresentation.h"
#include "resourcepaths.h"
#include "settings/eventlogactions.h"
#include "testmain.h"
#include "ui/modalanswers.h"
#include "ui/panels.h"
#include "ui/statuswindow.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QSystemTrayIcon>
#include <QTextDocument>
#include <QTimer>

#include "settings/logtablemodel.h"
#include "ui/logwindow.h"
#include "ui/settingswindow.h"

namespace {

QStringList capturedLines;

void captureMessages(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QByteArray(context.category) == "tamro.monitor")
        capturedLines << message;
}

// What a reader that takes a text as rich text whenever it looks like markup (as tooltips
// do) shows of it.
QString shownText(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

QAction* menuAction(GuiShell& shell, const char* name)
{
    return shell.statusMenu()->findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

class GuiShellTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ModalAnswers::instance().reset();
        ModalAnswers::instance().setAutoAnswer(false);
    }

    void cleanup()
    {
        ModalAnswers::instance().reset();
        ModalAnswers::instance().setAutoAnswer(false);
    }

    void queuedAnswersAnswerPanels()
    {
        GuiStage stage;
        ModalAnswers& answers = ModalAnswers::instance();
        answers.enqueue(ModalAnswers::ok());
        answers.enqueue(ModalAnswers::cancel());
        answers.enqueue(ModalAnswers::ok());
        answers.enqueue(ModalAnswers::ok(QStringLiteral("pw")));
        answers.enqueue(ModalAnswers::cancel());
        answers.enqueue(ModalAnswers::ok(QStringLiteral("/tmp/log.csv")));
        answers.enqueue(ModalAnswers::ok());

        stage.shell.displayPanel(QStringLiteral("notice text"));
        QCOMPARE(stage.shell.runQuitPanel(QStringLiteral("quit?")), 0);
        QCOMPARE(stage.shell.runQuitPanel(QStringLiteral("quit?")), 1);
        QCOMPARE(stage.shell.runPasswordPanel(QStringLiteral("password?")),
                 std::optional<QString>(QStringLiteral("pw")));
        QCOMPARE(stage.shell.runPasswordPanel(QStringLiteral("again?")), std::nullopt);
        QCOMPARE(stage.shell.runSaveDialog(QStringLiteral("/home/x/log.csv")),
                 std::optional<QString>(QStringLiteral("/tmp/log.csv")));
        stage.shell.alert(QStringLiteral("alert text"), true);
        QVERIFY(!answers.hasAnswers());

        const QList<ModalAnswers::Request>& r = answers.requests();
        QCOMPARE(r.size(), 7);
        QCOMPARE(r[0].kind, ModalAnswers::Kind::Notice);
        QCOMPARE(r[0].text, QStringLiteral("notice text"));
        QCOMPARE(r[1].kind, ModalAnswers::Kind::Quit);
        QCOMPARE(r[3].kind, ModalAnswers::Kind::Password);
        QCOMPARE(r[4].text, QStringLiteral("again?"));
        QCOMPARE(r[5].kind, ModalAnswers::Kind::Save);
        QCOMPARE(r[5].text, QStringLiteral("/home/x/log.csv"));
        QCOMPARE(r[6].kind, ModalAnswers::Kind::Alert);
        QCOMPARE(r[6].text, QStringLiteral("alert text"));
        // Nothing was shown.
        QVERIFY(!stage.shell.noticePanel()->isVisible());
    }

    void quitThroughTheMenu()
    {
        GuiStage stage;
        ModalAnswers::instance().enqueue(ModalAnswers::cancel());
        menuAction(stage.shell, "sbMenu_Quit")->trigger();
        QCOMPARE(ModalAnswers::instance().requests().size(), 1);
        QCOMPARE(ModalAnswers::instance().requests().first().kind, ModalAnswers::Kind::Quit);
        QCOMPARE(ModalAnswers::instance().requests().first().text,
                 QStringLiteral("MSG_QuitMessage"));
    }

    void autoAnswerModeLogsEveryRequest()
    {
        GuiStage stage;
        ModalAnswers::instance().setAutoAnswer(true);
        QLoggingCategory::setFilterRules(QStringLiteral("tamro.monitor.info=true"));
        capturedLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureMessages);

        stage.shell.displayPanel(QStringLiteral("Disk2 is not connected.\nCheck it."));
        const int quit = stage.shell.runQuitPanel(QStringLiteral("Quit?"));
        const auto password = stage.shell.runPasswordPanel(QStringLiteral("Password?"));
        stage.shell.alert(QStringLiteral("No service"), false);

        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        QCOMPARE(quit, 1);
        QCOMPARE(password, std::nullopt); // an empty password would only be asked again
        QVERIFY2(capturedLines.contains(
                     QStringLiteral("modal: notice: Disk2 is not connected. / Check it.")),
                 qPrintable(capturedLines.join(QLatin1Char('|'))));
        QVERIFY(capturedLines.contains(QStringLiteral("modal: quit: Quit?")));
        QVERIFY(capturedLines.contains(QStringLiteral("modal: password: Password?")));
        QVERIFY(capturedLines.contains(QStringLiteral("modal: alert: No service")));
    }

    void queuedAnswersComeBeforeTheAutoMode()
    {
        GuiStage stage;
        ModalAnswers::instance().setAutoAnswer(true);
        ModalAnswers::instance().enqueue(ModalAnswers::cancel());
        QCOMPARE(stage.shell.runQuitPanel(QStringLiteral("Quit?")), 0);
        QCOMPARE(stage.shell.runQuitPanel(QStringLiteral("Quit?")), 1);
    }

    void statusMenuHasEveryCommand()
    {
        GuiStage stage;
        QMenu* menu = stage.shell.statusMenu();
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), QStringLiteral("sbMenu"));
        for (const char* name :
             {"sbMenu_Status", "sbMenu_Log", "sbMenu_Settings", "sbMenu_Help", "sbMenu_Quit"}) {
            QAction* action = menuAction(stage.shell, name);
            QVERIFY2(action, name);
            QVERIFY2(!action->text().isEmpty(), name);
        }
        StatusWindow* w = stage.shell.statusWindow();
        QVERIFY(!w->isVisible());
        menuAction(stage.shell, "sbMenu_Status")->trigger();
        QVERIFY(w->isVisible());
        stage.controller->statusPresentation().w0_Close();
        QVERIFY(!w->isVisible());
    }

    void settingsAndLogWindowsOpenOnce()
    {
        GuiStage stage;
        QVERIFY(!stage.shell.settingsWindow());
        stage.shell.showSettingsWindow();
        QPointer<SettingsWindow> settings = stage.shell.settingsWindow();
        QVERIFY(settings);
        QVERIFY(settings->isVisible());
        stage.shell.showSettingsWindow();
        QCOMPARE(stage.shell.settingsWindow(), settings.data());
        stage.shell.commitSettingsEditing();
        stage.shell.closeSettingsWindow();
        QVERIFY(!settings->isVisible());

        stage.shell.showLogWindow();
        QVERIFY(stage.shell.logWindow());
        QVERIFY(stage.shell.logWindow()->isVisible());
        stage.shell.closeLogWindow();
        QVERIFY(!stage.shell.logWindow()->isVisible());
    }

    void withoutATrayTheWindowCarriesTheMenu()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // the offscreen platform has none
        GuiStage stage;
        stage.shell.launch();
        StatusWindow* w = stage.shell.statusWindow();
        QVERIFY(w->isVisible());
        QVERIFY(w->trayCommandsVisible());
        QVERIFY(w->minimizeOnClose());
        QVERIFY(!stage.shell.isUsingTray());
        // Closing it keeps the program reachable.
        stage.controller->statusPresentation().w0_Close();
        QVERIFY(w->isVisible());
        QVERIFY(w->isMinimized());
        stage.controller->statusPresentation().w0_OrderFront();
        QVERIFY(!w->isMinimized());
        // Notifications need the tray: without one, nothing is shown and nothing breaks.
        stage.shell.notify(NoticeKind::Problem, QStringLiteral("T"), QStringLiteral("text"));
        QCOMPARE(stage.shell.lastNotification(), QStringLiteral("T: text"));
        // No session bus here: a tray that appears is looked for once a minute, no oftener.
        QVERIFY(!stage.shell.isWatchingForTray());
        QCOMPARE(stage.shell.trayPollInterval(), 60000);
    }

    // With a session bus the shell does not poll: it looks for the tray when a tray host
    // takes its name on the bus.
    void aTrayHostOnTheBusIsWaitedFor()
    {
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1")});
        QVERIFY2(daemon.waitForStarted(5000), "dbus-daemon is needed (package dbus)");
        const auto stopDaemon = qScopeGuard([&daemon] {
            daemon.kill();
            daemon.waitForFinished(5000);
        });
        QVERIFY(daemon.waitForReadyRead(5000));
        const QString address = QString::fromUtf8(daemon.readLine().trimmed());
        QDBusConnection shellBus = QDBusConnection::connectToBus(address, QStringLiteral("shell"));
        QDBusConnection hostBus = QDBusConnection::connectToBus(address, QStringLiteral("host"));
        const auto disconnect = qScopeGuard([] {
            QDBusConnection::disconnectFromBus(QStringLiteral("shell"));
            QDBusConnection::disconnectFromBus(QStringLiteral("host"));
        });
        QVERIFY(shellBus.isConnected());
        QVERIFY(hostBus.isConnected());

        GuiStage stage;
        stage.shell.setSessionBus(shellBus);
        stage.shell.launch();
        QVERIFY(stage.shell.isWatchingForTray());
        QCOMPARE(stage.shell.trayPollInterval(), 0);
        QCOMPARE(stage.shell.trayChecks(), 0);
        // One round trip on the shell's connection: the bus handles a connection's messages in
        // order, so the watch is in place before the host's name is taken on the other one.
        QVERIFY(shellBus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus")));
        QVERIFY(hostBus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
        QTRY_COMPARE(stage.shell.trayChecks(), 1);
        // The offscreen platform still has no tray: the window stays the way in.
        QVERIFY(!stage.shell.isUsingTray());
        QVERIFY(stage.shell.statusWindow()->isVisible());
    }

    void iconAndSummary()
    {
        GuiStage stage;
        QCOMPARE(stage.shell.statusIcon(), 0);
        stage.shell.setStatusIcon(2);
        QCOMPARE(stage.shell.statusIcon(), 2);
        stage.shell.setStatusIcon(7); // no such icon: ignored
        QCOMPARE(stage.shell.statusIcon(), 2);
        QVERIFY(!stage.shell.statusWindow()->windowIcon().isNull());
        // Every provided size is offered; a size asked for is the picture drawn for it.
        const QIcon icon = stage.shell.statusWindow()->windowIcon();
        QCOMPARE(icon.availableSizes().size(), qsizetype(tamro::res::kIconSizes.size()));
        const QImage drawn = icon.pixmap(QSize(22, 22)).toImage();
        QCOMPARE(drawn.size(), QSize(22, 22));
        QCOMPARE(drawn, QImage(tamro::res::statusIconPath(2, 22)).convertToFormat(drawn.format()));
        stage.shell.setSummary(QStringLiteral("1234: healthy"));
        QCOMPARE(stage.shell.summary(), QStringLiteral("1234: healthy"));
    }

    // Text from the service, the event log or the user shaped as markup that would load a
    // file: every place shows it as the text it is. Labels and message boxes take it as plain
    // text; tooltips get rich text that shows it; the desktop's notification body gets it
    // escaped.
    void outsideTextIsShownAsItIs_data()
    {
        QTest::addColumn<QString>("place");
        for (const char* place : {"drive model in the status window", "notice panel", "quit panel",
                                  "password panel", "mail status in the settings window", "alert",
                                  "log window tooltip", "tray tooltip", "desktop notification"})
            QTest::newRow(place) << QString::fromLatin1(place);
    }

    void outsideTextIsShownAsItIs()
    {
        QFETCH(QString, place);
        GuiStage stage;
        const QString canary = stage.dir.filePath(QStringLiteral("canary.png"));
        const QString text = QStringLiteral("<img src=\"%1\">").arg(canary);
        QLabel* label = nullptr;
        QString markup;
        if (place.startsWith(QLatin1String("drive model"))) {
            raiddoc::Enclosure enclosure = GuiStage::enclosure(QStringLiteral("1"));
            enclosure.drives[0] =
                raiddoc::drive(text, QStringLiteral("100"), QStringLiteral("1000"));
            QVERIFY(stage.feed({enclosure}));
            label = stage.shell.statusWindow()->findChild<QLabel*>(QStringLiteral("w0_D0Name"));
        } else if (place == QLatin1String("notice panel")) {
            stage.shell.noticePanel()->prepare(text);
            label = stage.shell.noticePanel()->findChild<QLabel*>(QStringLiteral("p0_Status"));
        } else if (place == QLatin1String("quit panel")) {
            stage.shell.quitPanel()->prepare(text);
            label = stage.shell.quitPanel()->findChild<QLabel*>(QStringLiteral("p1_Status"));
        } else if (place == QLatin1String("password panel")) {
            stage.shell.passwordPanel()->prepare(text);
            label = stage.shell.passwordPanel()->findChild<QLabel*>(QStringLiteral("p2_Status"));
        } else if (place.startsWith(QLatin1String("mail status"))) {
            stage.shell.showSettingsWindow();
            stage.controller->form().setText(SettingsForm::Text::MailStatus, text);
            label =
                stage.shell.settingsWindow()->findChild<QLabel*>(QStringLiteral("w1_MailStatus"));
        } else if (place == QLatin1String("alert")) {
            // Looked at while it is up, then closed.
            std::optional<Qt::TextFormat> format;
            QString shown;
            QTimer look;
            look.setInterval(10);
            connect(&look, &QTimer::timeout, this, [&] {
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    auto* box = qobject_cast<QMessageBox*>(widget);
                    if (!box || !box->isVisible())
                        continue;
                    format = box->textFormat();
                    shown = box->text();
                    box->accept();
                }
            });
            look.start();
            stage.shell.alert(text, false);
            look.stop();
            QCOMPARE(format, std::optional<Qt::TextFormat>(Qt::PlainText));
            QCOMPARE(shown, text);
            return;
        } else if (place.startsWith(QLatin1String("log window"))) {
            stage.controller->form().setText(SettingsForm::Text::LogFilePath,
                                             stage.dir.filePath(QStringLiteral("log.csv")));
            stage.controller->eventLogActions().writeCSVFile(text, 0);
            const LogTableModel* model = stage.controller->logTableModel();
            QCOMPARE(model->data(model->index(0, 4)).toString(), text);
            markup = model->data(model->index(0, 4), Qt::ToolTipRole).toString();
        } else if (place == QLatin1String("tray tooltip")) {
            stage.shell.setSummary(QStringLiteral("UI_NoService\n") + text +
                                   QStringLiteral(": UI_StateHealthy"));
            markup = stage.shell.trayToolTip();
            QCOMPARE(shownText(markup), stage.shell.summary());
            QVERIFY2(!markup.contains(QLatin1String("<img")), qPrintable(markup));
            return;
        } else {
            stage.shell.notify(NoticeKind::Problem, QStringLiteral("T"), text);
            QCOMPARE(stage.shell.lastNotification(),
                     QStringLiteral("T: &lt;img src=&quot;%1&quot;&gt;").arg(canary));
            return;
        }
        if (label) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QCOMPARE(label->text(), text);
        } else {
            QCOMPARE(shownText(markup), text);
            QVERIFY2(!markup.contains(QLatin1String("<img")), qPrintable(markup));
        }
    }

    void passSetsTheIcon()
    {
        GuiStage stage;
        QVERIFY(stage.feed({GuiStage::enclosure(QStringLiteral("1")),
                            GuiStage::enclosure(QStringLiteral("2"), false)}));
        QCOMPARE(stage.shell.statusIcon(), int(stage.controller->pass().statusIcon()));
        QCOMPARE(stage.shell.statusIcon(), 2);
    }
};

TAMRO_TEST_MAIN(GuiShellTest)
#include "test_guishell.moc"
