// SPDX-License-Identifier: GPL-3.0-or-later
// The status window's side of the monitor on its own inputs: display names, the device
// list's selection and renaming (kept in the preferences at once), the rescan command and
// the notice panel.
#include "platform/ports.h"
#include "presentation/devicelistmodel.h"
#include "presentation/statusdisplay.h"
#include "presentation/statuspresentation.h"
#include "service/parseraidinfo.h"
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
    void alert(const QString&, bool) override {}
    void displayPanel(const QString& text) override { panels << text; }
    int runQuitPanel(const QString&) override { return 0; }
    std::optional<QString> runPasswordPanel(const QString&) override { return std::nullopt; }
    std::optional<QString> runSaveDialog(const QString&) override { return std::nullopt; }
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

// The presentation with what its owner hands it: a client that reads the service's answers,
// the window's display and selection, the device list's names and the user's names.
struct Stage
{
    ParseRaidInfo client{nullptr};
    RecordingStatus status;
    RecordingModal modal;
    RecordingWindows windows;
    StatusDisplay display;
    qint8 selected = 0;
    QStringList names;
    QVariantMap nameDict;
    int namesChanged = 0;
    int rescansArmed = 0;
    StatusPresentation presentation;

    explicit Stage(DefaultsStore* store, bool withPresenters = true)
        : presentation({.client = &client,
                        .status = &status,
                        .modal = withPresenters ? &modal : nullptr,
                        .windows = withPresenters ? &windows : nullptr,
                        .store = store,
                        .errorType = {},
                        .display = &display,
                        .selectedIndex = &selected,
                        .targetNames = &names,
                        .nameDict = &nameDict,
                        .namesChanged = [this] { ++namesChanged; },
                        .rescanArmed = [this] { ++rescansArmed; }})
    {
    }

    // Reads an answer and lists every enclosure under its display name.
    void read(const QList<raiddoc::Enclosure>& enclosures)
    {
        client.handleReadBytes(raiddoc::configAnswer(enclosures));
        names.clear();
        for (int i = 0; i < client.getDeviceCount(); ++i)
            names << presentation.deviceName(i);
    }
};

} // namespace

class StatusPresentationTest : public QObject
{
    Q_OBJECT

    QTemporaryDir _dir;
    std::unique_ptr<DefaultsStore> _store;

    QString iniPath() const { return _dir.filePath(QStringLiteral("prefs.ini")); }

private slots:
    void init()
    {
        QFile::remove(iniPath());
        _store = std::make_unique<DefaultsStore>(iniPath());
    }

    void namesAndPlugTexts_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("plugText");
        const QByteArray one = raiddoc::configAnswer({enclosure(QStringLiteral("1234"))});
        QTest::newRow("nothing read yet") << QByteArray() << "-" << 0 << "MSG_DiskInfo4";
        QTest::newRow("empty table") << raiddoc::configAnswer({}) << "-" << 0 << "MSG_DiskInfo4";
        QTest::newRow("serial number, both present")
            << one << "1234" << 0 << "Retrieved configuration.";
        QTest::newRow("outside the table") << one << "-" << 3 << "";
        QTest::newRow("drive 0 missing")
            << raiddoc::configAnswer({enclosure(QStringLiteral("7"), false)}) << "7" << 0
            << "MSG_DiskInfo1";
    }

    void namesAndPlugTexts()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QString, name);
        QFETCH(int, index);
        QFETCH(QString, plugText);
        Stage s(_store.get());
        s.client.handleReadBytes(answer);
        QCOMPARE(s.presentation.deviceName(index), name);
        QCOMPARE(s.presentation.localizedErrorString(index), plugText);
    }

    void displayRaidInfoShowsAndKeepsTheDisplay()
    {
        Stage s(_store.get());
        s.read({enclosure(QStringLiteral("1")), enclosure(QStringLiteral("2"), false)});
        s.presentation.displayRaidInfo(1);
        QCOMPARE(s.status.shown.size(), 1);
        QCOMPARE(s.status.shown.last(), s.display);
        QCOMPARE(s.display.index, 1);
        QCOMPARE(s.display.picture, QStringLiteral("type3"));

        // No enclosure at the index: nothing shown, nothing changed.
        const StatusDisplay before = s.display;
        s.presentation.displayRaidInfo(-1);
        s.presentation.displayRaidInfo(2);
        QCOMPARE(s.status.shown.size(), 1);
        QCOMPARE(s.display, before);
    }

    void rename_data()
    {
        QTest::addColumn<QStringList>("serials");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QStringList>("names");        // the device list afterwards
        QTest::addColumn<QVariantMap>("nameDict");     // the user's names, as kept
        QTest::addColumn<QStringList>("displayNames"); // deviceName of each enclosure
        QTest::addColumn<int>("changes");              // renames that took effect
        QTest::newRow("kept at once under the serial number")
            << QStringList{"1234"} << 0 << QStringList{"Office"} << QStringList{"Office"}
            << QVariantMap{{"1234", "Office"}} << QStringList{"Office"} << 1;
        QTest::newRow("keyed by the edited row, not the selection")
            << QStringList{"11", "22"} << 1 << QStringList{"Backup"} << QStringList{"11", "Backup"}
            << QVariantMap{{"22", "Backup"}} << QStringList{"11", "Backup"} << 1;
        QTest::newRow("an empty name falls back to the serial number")
            << QStringList{"1234"} << 0 << QStringList{"Office", ""} << QStringList{""}
            << QVariantMap{{"1234", ""}} << QStringList{"1234"} << 2;
        QTest::newRow("no row") << QStringList{"5"} << -1 << QStringList{"Nowhere"}
                                << QStringList{"5"} << QVariantMap{} << QStringList{"5"} << 0;
        QTest::newRow("past the end") << QStringList{"5"} << 1 << QStringList{"Nowhere"}
                                      << QStringList{"5"} << QVariantMap{} << QStringList{"5"} << 0;
    }

    void rename()
    {
        QFETCH(QStringList, serials);
        QFETCH(int, row);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, names);
        QFETCH(QVariantMap, nameDict);
        QFETCH(QStringList, displayNames);
        QFETCH(int, changes);
        Stage s(_store.get());
        QList<raiddoc::Enclosure> enclosures;
        for (const QString& serial : serials)
            enclosures << enclosure(serial);
        s.read(enclosures);
        QCOMPARE(s.names, serials);

        for (const QString& name : typed)
            s.presentation.renameDevice(row, name);
        QCOMPARE(s.names, names);
        QCOMPARE(s.nameDict, nameDict);
        QStringList shown;
        for (int i = 0; i < serials.size(); ++i)
            shown << s.presentation.deviceName(i);
        QCOMPARE(shown, displayNames);
        QCOMPARE(int(s.selected), 0);
        QCOMPARE(s.namesChanged, changes);
        // Written out at once: a fresh store on the same file reads the same names.
        QCOMPARE(QFileInfo::exists(iniPath()), changes > 0);
        if (changes > 0) {
            DefaultsStore reread(iniPath());
            QCOMPARE(reread.dictionaryForKey(QStringLiteral("RAIDName")).value_or(QVariantMap()),
                     nameDict);
        }

        // The same name again writes nothing: the removed file stays away.
        QFile::remove(iniPath());
        s.presentation.renameDevice(row, typed.last());
        QVERIFY(!QFileInfo::exists(iniPath()));
        QCOMPARE(s.namesChanged, changes);
    }

    void renameThatCannotBeWrittenIsReported()
    {
        // A store whose folder is a plain file cannot be written.
        QFile blocker(_dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        _store = std::make_unique<DefaultsStore>(blocker.fileName() + QStringLiteral("/prefs.ini"));
        Stage s(_store.get());
        s.read({enclosure(QStringLiteral("1234"))});
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "could not write the enclosure names")));
        s.presentation.renameDevice(0, QStringLiteral("Office"));
        // The name holds for this run even though it could not be kept.
        QCOMPARE(s.presentation.deviceName(0), QStringLiteral("Office"));
    }

    void renameThroughTheModel()
    {
        Stage s(_store.get());
        s.read({enclosure(QStringLiteral("99"))});
        DeviceListModel model(
            s.names, [&s](int row, const QString& name) { s.presentation.renameDevice(row, name); },
            nullptr);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("99"));
        QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.setData(model.index(0, 0), QStringLiteral("Attic"), Qt::EditRole));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("Attic"));
        QCOMPARE(s.nameDict.value(QStringLiteral("99")).toString(), QStringLiteral("Attic"));
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
        Stage s(_store.get());
        s.read({enclosure(QStringLiteral("1")), enclosure(QStringLiteral("2"), false)});
        s.presentation.deviceListSelectionChanged(row);
        QCOMPARE(int(s.selected), selIdx);
        QCOMPARE(s.status.shown.size(), shown);
        if (shown)
            QCOMPARE(s.status.shown.last().picture, QStringLiteral("type3"));
    }

    void rescan_data()
    {
        QTest::addColumn<int>("pending");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("deviceIndex");
        QTest::addColumn<int>("armed");
        QTest::newRow("idle") << 0 << 2 << 1 << 1;
        QTest::newRow("configuration pending") << 3 << 3 << 0 << 0;
        QTest::newRow("scan pending") << 2 << 2 << 0 << 0;
    }

    void rescan()
    {
        QFETCH(int, pending);
        QFETCH(int, command);
        QFETCH(int, deviceIndex);
        QFETCH(int, armed);
        for (const bool logWindow : {false, true}) {
            Stage s(_store.get());
            s.read({enclosure(QStringLiteral("1")), enclosure(QStringLiteral("2"))});
            s.presentation.deviceListSelectionChanged(1);
            QCOMPARE(int(s.selected), 1);
            s.client.setDeviceIndex(0);
            s.client.setCommand(pending);
            logWindow ? s.presentation.w2_Rescan() : s.presentation.w0_Rescan();
            QCOMPARE(s.client.getCommand(), command);
            QCOMPARE(s.client.getDeviceIndex(), deviceIndex);
            QCOMPARE(s.rescansArmed, armed);
        }
    }

    void noticePanelAndWindows()
    {
        Stage s(_store.get());
        s.presentation.displayPanel(QStringLiteral("Disk2 gone"));
        QCOMPARE(s.modal.panels, QStringList{QStringLiteral("Disk2 gone")});
        s.presentation.w0_OrderFront();
        s.presentation.w0_Close();
        QCOMPARE(s.windows.calls,
                 (QStringList{QStringLiteral("showStatus"), QStringLiteral("closeStatus")}));
    }

    void withoutPresentersNothingBreaks()
    {
        Stage s(_store.get(), false);
        s.presentation.displayPanel(QStringLiteral("nobody sees this"));
        s.presentation.w0_OrderFront();
        s.presentation.w0_Close();
        s.presentation.displayRaidInfo(0);
        QCOMPARE(s.display.picture, QStringLiteral("type2"));
        QCOMPARE(s.display.modeText, QStringLiteral("MSG_ModeNoDisk"));
    }
};

TAMRO_TEST_GUILESS_MAIN(StatusPresentationTest)
#include "test_statuspresentation.moc"
