// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's status window side: display names, the device list's selection and
// renaming (kept in the preferences at once), the rescan command and the notice panel.
#include "app/appcontroller.h"
#include "presentation/devicelistmodel.h"
#include "presentation/statuspresentation.h"
#include "settings/defaultsstore.h"
#include "testmain.h"
#include "tools/renderui/raiddocument.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

class RecordingStatus : public NullStatusPresenter
{
public:
    void showStatus(const StatusDisplay& display) override { shown.append(display); }
    QList<StatusDisplay> shown;
};

class RecordingModal : public ModalPresenter
{
public:
    void alert(const QString& message, bool) override { alerts << message; }
    void displayPanel(const QString& text) override { panels << text; }
    int runQuitPanel(const QString&) override { return 0; }
    std::optional<QString> runPasswordPanel(const QString&) override { return std::nullopt; }
    std::optional<QString> runSaveDialog(const QString&) override { return std::nullopt; }
    QStringList alerts;
    QStringList panels;
};

class RecordingWindows : public WindowPresenter
{
public:
    void showStatusWindow() override { calls << QStringLiteral("showStatus"); }
    void closeStatusWindow() override { calls << QStringLiteral("closeStatus"); }
    void showSettingsWindow() override {}
    void closeSettingsWindow() override {}
    void commitSettingsEditing() override {}
    void showLogWindow() override {}
    void closeLogWindow() override {}
    QStringList calls;
};

raiddoc::Enclosure enclosure(const QString& serial, bool drive0Plugged = true)
{
    raiddoc::Enclosure e;
    e.serial = serial;
    e.drives = {
        raiddoc::drive(QStringLiteral("Left"), QStringLiteral("500"), QStringLiteral("500"), 0,
                       QStringLiteral("0"), drive0Plugged),
        raiddoc::drive(QStringLiteral("Right"), QStringLiteral("500"), QStringLiteral("500"))};
    return e;
}

} // namespace

class StatusPresentationTest : public QObject
{
    Q_OBJECT

    QTemporaryDir _dir;
    std::unique_ptr<DefaultsStore> _store;
    RecordingStatus _status;
    RecordingModal _modal;
    RecordingWindows _windows;
    std::unique_ptr<AppController> _controller;

    QString iniPath() const { return _dir.filePath(QStringLiteral("prefs.ini")); }

    AppController& make(bool withPresenters = true)
    {
        ControllerConfig config;
        if (withPresenters) {
            config.status = &_status;
            config.modal = &_modal;
            config.windows = &_windows;
        }
        config.store = _store.get();
        config.servicePort = 1; // nothing listens there; no test connects
        config.timing.handOffIdleMs = 0;
        config.timing.handOffBusyMs = 0;
        config.timing.rescanMs = 3600000; // a rescan timer never fires inside a test
        _controller = std::make_unique<AppController>(config);
        _controller->client().setHandOffIntervals(0, 0);
        return *_controller;
    }

    // Feeds an answer and lets the evaluation pass fill the device list.
    void feed(AppController& controller, const QList<raiddoc::Enclosure>& enclosures)
    {
        controller.client().handleReadBytes(raiddoc::configAnswer(enclosures));
        QTRY_COMPARE(controller.targetNames().size(), enclosures.size());
    }

private slots:
    void init()
    {
        QFile::remove(iniPath());
        _store = std::make_unique<DefaultsStore>(iniPath());
        _status.shown.clear();
        _modal.panels.clear();
        _windows.calls.clear();
    }

    void cleanup()
    {
        _controller.reset();
        _store.reset();
    }

    void deviceNameOfAnEmptyTable()
    {
        AppController& c = make();
        QCOMPARE(c.statusPresentation().deviceName(0), QStringLiteral("-"));
        c.client().handleReadBytes(raiddoc::configAnswer({}));
        QCOMPARE(c.statusPresentation().deviceName(0), QStringLiteral("-"));
    }

    void deviceNameFallsBackToTheSerialNumber()
    {
        AppController& c = make();
        c.client().handleReadBytes(raiddoc::configAnswer({enclosure(QStringLiteral("1234"))}));
        QCOMPARE(c.statusPresentation().deviceName(0), QStringLiteral("1234"));
        // Outside the table there is no enclosure to name.
        QCOMPARE(c.statusPresentation().deviceName(3), QStringLiteral("-"));
    }

    void localizedErrorString_data()
    {
        QTest::addColumn<bool>("drive0Plugged");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both present") << true << "Retrieved configuration.";
        QTest::newRow("drive 0 missing") << false << "MSG_DiskInfo1";
    }

    void localizedErrorString()
    {
        QFETCH(bool, drive0Plugged);
        QFETCH(QString, expected);
        AppController& c = make();
        c.client().handleReadBytes(
            raiddoc::configAnswer({enclosure(QStringLiteral("7"), drive0Plugged)}));
        QCOMPARE(c.statusPresentation().localizedErrorString(0), expected);
    }

    void displayRaidInfoShowsAndKeepsTheDisplay()
    {
        AppController& c = make();
        c.client().handleReadBytes(raiddoc::configAnswer(
            {enclosure(QStringLiteral("1")), enclosure(QStringLiteral("2"), false)}));
        _status.shown.clear();
        c.statusPresentation().displayRaidInfo(1);
        QCOMPARE(_status.shown.size(), 1);
        QCOMPARE(_status.shown.last(), c.statusDisplay());
        QCOMPARE(c.statusDisplay().index, 1);
        QCOMPARE(c.statusDisplay().picture, QStringLiteral("type3"));

        // No enclosure at the index: nothing shown, nothing changed.
        const StatusDisplay before = c.statusDisplay();
        c.statusPresentation().displayRaidInfo(-1);
        c.statusPresentation().displayRaidInfo(2);
        QCOMPARE(_status.shown.size(), 1);
        QCOMPARE(c.statusDisplay(), before);
    }

    void renameStoresOnceUnderTheSerialNumber()
    {
        AppController& c = make();
        feed(c, {enclosure(QStringLiteral("1234"))});
        QCOMPARE(c.targetNames(), QStringList{QStringLiteral("1234")});

        c.statusPresentation().renameDevice(0, QStringLiteral("Office"));
        QCOMPARE(c.targetNames(), QStringList{QStringLiteral("Office")});
        QCOMPARE(c.nameDict().value(QStringLiteral("1234")).toString(), QStringLiteral("Office"));
        QCOMPARE(c.statusPresentation().deviceName(0), QStringLiteral("Office"));
        // Written out at once: a fresh store on the same file reads it.
        QVERIFY(QFileInfo::exists(iniPath()));
        {
            DefaultsStore reread(iniPath());
            const auto names = reread.dictionaryForKey(QStringLiteral("RAIDName"));
            QVERIFY(names.has_value());
            QCOMPARE(names->value(QStringLiteral("1234")).toString(), QStringLiteral("Office"));
        }

        // The same name again writes nothing: the removed file stays away.
        QVERIFY(QFile::remove(iniPath()));
        c.statusPresentation().renameDevice(0, QStringLiteral("Office"));
        QVERIFY(!QFileInfo::exists(iniPath()));
    }

    void renameThatCannotBeWrittenIsReported()
    {
        // A store whose folder is a plain file cannot be written.
        QFile blocker(_dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        _store = std::make_unique<DefaultsStore>(blocker.fileName() + QStringLiteral("/prefs.ini"));
        AppController& c = make();
        feed(c, {enclosure(QStringLiteral("1234"))});
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "could not write the enclosure names")));
        c.statusPresentation().renameDevice(0, QStringLiteral("Office"));
        // The name holds for this run even though it could not be kept.
        QCOMPARE(c.statusPresentation().deviceName(0), QStringLiteral("Office"));
    }

    void renameKeysTheEditedRowNotTheSelection()
    {
        AppController& c = make();
        feed(c, {enclosure(QStringLiteral("11")), enclosure(QStringLiteral("22"))});
        QCOMPARE(c.selIdx(), 0);
        c.statusPresentation().renameDevice(1, QStringLiteral("Backup"));
        QCOMPARE(c.nameDict().value(QStringLiteral("22")).toString(), QStringLiteral("Backup"));
        QVERIFY(!c.nameDict().contains(QStringLiteral("11")));
        QCOMPARE(c.statusPresentation().deviceName(1), QStringLiteral("Backup"));
        QCOMPARE(c.statusPresentation().deviceName(0), QStringLiteral("11"));
    }

    void emptyRenameFallsBackToTheSerialNumber()
    {
        AppController& c = make();
        feed(c, {enclosure(QStringLiteral("1234"))});
        c.statusPresentation().renameDevice(0, QStringLiteral("Office"));
        c.statusPresentation().renameDevice(0, QString());
        QCOMPARE(c.targetNames(), QStringList{QString()});
        QVERIFY(c.nameDict().contains(QStringLiteral("1234")));
        QCOMPARE(c.nameDict().value(QStringLiteral("1234")).toString(), QString());
        QCOMPARE(c.statusPresentation().deviceName(0), QStringLiteral("1234"));
    }

    void renameThroughTheModel()
    {
        AppController& c = make();
        feed(c, {enclosure(QStringLiteral("99"))});
        DeviceListModel* model = c.deviceListModel();
        QVERIFY(model);
        model->reload();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->data(model->index(0, 0)).toString(), QStringLiteral("99"));
        QVERIFY(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
        QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
        QVERIFY(model->setData(model->index(0, 0), QStringLiteral("Attic"), Qt::EditRole));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(model->data(model->index(0, 0)).toString(), QStringLiteral("Attic"));
        QCOMPARE(c.nameDict().value(QStringLiteral("99")).toString(), QStringLiteral("Attic"));
    }

    void renameOfARowOutsideTheListDoesNothing_data()
    {
        QTest::addColumn<int>("row");
        QTest::newRow("no row") << -1;
        QTest::newRow("past the end") << 1;
    }

    void renameOfARowOutsideTheListDoesNothing()
    {
        QFETCH(int, row);
        AppController& c = make();
        feed(c, {enclosure(QStringLiteral("5"))});
        c.statusPresentation().renameDevice(row, QStringLiteral("Nowhere"));
        QCOMPARE(c.targetNames(), QStringList{QStringLiteral("5")});
        QVERIFY(c.nameDict().isEmpty());
        QVERIFY(!QFileInfo::exists(iniPath()));
    }

    void selectionChange_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("selIdx");
        QTest::addColumn<int>("shown");
        QTest::newRow("another row") << 1 << 1 << 1;
        QTest::newRow("the row shown") << 0 << 0 << 0;
        QTest::newRow("no selection") << -1 << 0 << 0;
        QTest::newRow("past the end") << 2 << 0 << 0;
        QTest::newRow("far past 8 bits") << 300 << 0 << 0;
    }

    void selectionChange()
    {
        QFETCH(int, row);
        QFETCH(int, selIdx);
        QFETCH(int, shown);
        AppController& c = make();
        feed(c, {enclosure(QStringLiteral("1")), enclosure(QStringLiteral("2"), false)});
        QCOMPARE(c.selIdx(), 0);
        _status.shown.clear();
        c.statusPresentation().deviceListSelectionChanged(row);
        QCOMPARE(c.selIdx(), selIdx);
        QCOMPARE(_status.shown.size(), shown);
        if (shown)
            QCOMPARE(_status.shown.last().picture, QStringLiteral("type3"));
    }

    void rescan_data()
    {
        QTest::addColumn<int>("pending");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("deviceIndex");
        QTest::newRow("idle") << 0 << 2 << 1;
        QTest::newRow("configuration pending") << 3 << 3 << 0;
        QTest::newRow("scan pending") << 2 << 2 << 0;
    }

    void rescan()
    {
        QFETCH(int, pending);
        QFETCH(int, command);
        QFETCH(int, deviceIndex);
        for (const bool logWindow : {false, true}) {
            AppController& c = make();
            feed(c, {enclosure(QStringLiteral("1")), enclosure(QStringLiteral("2"))});
            c.statusPresentation().deviceListSelectionChanged(1);
            QCOMPARE(c.selIdx(), 1);
            c.client().setDeviceIndex(0);
            c.client().setCommand(pending);
            if (logWindow)
                c.statusPresentation().w2_Rescan();
            else
                c.statusPresentation().w0_Rescan();
            QCOMPARE(c.client().getCommand(), command);
            QCOMPARE(c.client().getDeviceIndex(), deviceIndex);
        }
    }

    void noticePanelAndWindows()
    {
        AppController& c = make();
        c.statusPresentation().displayPanel(QStringLiteral("Disk2 gone"));
        QCOMPARE(_modal.panels, QStringList{QStringLiteral("Disk2 gone")});
        c.statusPresentation().w0_OrderFront();
        c.statusPresentation().w0_Close();
        QCOMPARE(_windows.calls,
                 (QStringList{QStringLiteral("showStatus"), QStringLiteral("closeStatus")}));
    }

    void withoutPresentersNothingBreaks()
    {
        AppController& c = make(false);
        c.statusPresentation().displayPanel(QStringLiteral("nobody sees this"));
        c.statusPresentation().w0_OrderFront();
        c.statusPresentation().w0_Close();
        c.statusPresentation().displayRaidInfo(0);
        QCOMPARE(c.statusDisplay().picture, QStringLiteral("type2"));
        QCOMPARE(c.statusDisplay().modeText, QStringLiteral("MSG_ModeNoDisk"));
    }
};

TAMRO_TEST_GUILESS_MAIN(StatusPresentationTest)
#include "test_statuspresentation.moc"
