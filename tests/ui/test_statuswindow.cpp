// SPDX-License-Identifier: GPL-3.0-or-later
// The status window: it renders what the controller computed (texts, colours, picture, bars),
// and its device list selects and renames enclosures through the controller.
#include "guitestsupport.h"
#include "presentation/devicelistmodel.h"
#include "testmain.h"
#include "ui/diskview.h"
#include "ui/namedcolor.h"
#include "ui/statuswindow.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace {

QLabel* label(QWidget* window, const char* name)
{
    return window->findChild<QLabel*>(QString::fromLatin1(name));
}

QColor textColor(QWidget* window, const char* name)
{
    return label(window, name)->palette().color(QPalette::WindowText);
}

} // namespace

class StatusWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void controlsHaveTheirNames()
    {
        GuiStage stage;
        StatusWindow* w = stage.shell.statusWindow();
        QVERIFY(w);
        QCOMPARE(w->objectName(), QStringLiteral("w0_Window"));
        for (const char* name : {"w0_Image", "w0_Mode", "w0_Status", "w0_D0Name", "w0_D1Name",
                                 "w0_D0Size", "w0_D1Size", "w0_D0Capacity", "w0_D1Capacity"})
            QVERIFY2(label(w, name), name);
        for (const char* name : {"w0_D0View", "w0_D1View"})
            QVERIFY2(w->findChild<DiskView*>(QString::fromLatin1(name)), name);
        for (const char* name :
             {"w0_Rescan", "w0_Close", "w0_Log", "w0_Settings", "w0_Help", "w0_Quit"})
            QVERIFY2(w->findChild<QPushButton*>(QString::fromLatin1(name)), name);
        QTableView* table = w->findChild<QTableView*>(QStringLiteral("fTargetTable"));
        QVERIFY(table);
        QCOMPARE(table->model(), stage.controller->deviceListModel());
        QVERIFY(!w->trayCommandsVisible());
    }

    void showsAStatusDisplay()
    {
        GuiStage stage;
        StatusWindow* w = stage.shell.statusWindow();
        StatusDisplay d;
        d.picture = QStringLiteral("type4");
        d.modeText = QStringLiteral("RAID 1");
        d.modeColor = NamedColor::Magenta;
        d.statusText = QStringLiteral("Error: Disk2");
        d.statusColor = NamedColor::Magenta;
        d.drive0 = {QStringLiteral("Left"), QStringLiteral("100 [GB]"),
                    QStringLiteral("900.000[GB]"), NamedColor::Yellow, 0.41f};
        d.drive1 = status::clearedDriveInfo();
        stage.shell.showStatus(d);

        QCOMPARE(label(w, "w0_Mode")->text(), QStringLiteral("RAID 1"));
        QCOMPARE(textColor(w, "w0_Mode"), namedColor(NamedColor::Magenta));
        QCOMPARE(label(w, "w0_Status")->text(), QStringLiteral("Error: Disk2"));
        QCOMPARE(textColor(w, "w0_Status"), namedColor(NamedColor::Magenta));
        QCOMPARE(label(w, "w0_D0Name")->text(), QStringLiteral("Left"));
        QCOMPARE(label(w, "w0_D0Size")->text(), QStringLiteral("100 [GB]"));
        QCOMPARE(label(w, "w0_D0Capacity")->text(), QStringLiteral("900.000[GB]"));
        QCOMPARE(label(w, "w0_D1Name")->text(), QStringLiteral("MSG_NoDisk"));
        QCOMPARE(label(w, "w0_D1Size")->text(), QStringLiteral("- [GB]"));
        QCOMPARE(label(w, "w0_D1Capacity")->text(), QString());
        auto* v0 = w->findChild<DiskView*>(QStringLiteral("w0_D0View"));
        auto* v1 = w->findChild<DiskView*>(QStringLiteral("w0_D1View"));
        QCOMPARE(v0->color(), QColor::fromRgbF(1, 1, 0));
        QCOMPARE(v0->size(), 0.41f);
        QCOMPARE(v1->color(), QColor::fromRgbF(1, 0, 1));
        QCOMPARE(v1->size(), 1.0f);
        const QImage picture = label(w, "w0_Image")->pixmap().toImage();
        QVERIFY(!picture.isNull());
        QCOMPARE(picture,
                 QImage(QStringLiteral(":/images/type4.bmp")).convertToFormat(picture.format()));

        // Black again for a healthy enclosure.
        d.modeColor = NamedColor::Black;
        d.statusColor = NamedColor::Black;
        stage.shell.showStatus(d);
        QCOMPARE(textColor(w, "w0_Mode"), QColor(Qt::black));
        QCOMPARE(textColor(w, "w0_Status"), QColor(Qt::black));
    }

    void passFillsTheWindow()
    {
        GuiStage stage;
        QVERIFY(stage.feed({GuiStage::enclosure(QStringLiteral("1234"), false)}));
        StatusWindow* w = stage.shell.statusWindow();
        QCOMPARE(label(w, "w0_D0Name")->text(), QStringLiteral("Left"));
        QCOMPARE(label(w, "w0_D0Capacity")->text(), QStringLiteral("900.000[GB]"));
        QCOMPARE(label(w, "w0_D1Name")->text(), QStringLiteral("MSG_NoDisk"));
        QCOMPARE(label(w, "w0_Mode")->text(), QStringLiteral("MSG_Mode1"));
        QTableView* table = w->findChild<QTableView*>(QStringLiteral("fTargetTable"));
        QCOMPARE(table->model()->rowCount(), 1);
        QCOMPARE(table->model()->index(0, 0).data().toString(), QStringLiteral("1234"));
    }

    void selectingARowShowsItsEnclosure()
    {
        GuiStage stage;
        QVERIFY(stage.feed({GuiStage::enclosure(QStringLiteral("1")),
                            GuiStage::enclosure(QStringLiteral("2"), false)}));
        StatusWindow* w = stage.shell.statusWindow();
        QTableView* table = w->findChild<QTableView*>(QStringLiteral("fTargetTable"));
        table->selectRow(1);
        QCOMPARE(stage.controller->selIdx(), 1);
        QCOMPARE(label(w, "w0_D1Name")->text(), QStringLiteral("MSG_NoDisk"));

        // Clearing the selection leaves the window and the index as they were.
        table->clearSelection();
        QCOMPARE(stage.controller->selIdx(), 1);
        QCOMPARE(label(w, "w0_D1Name")->text(), QStringLiteral("MSG_NoDisk"));

        stage.shell.deviceListReloaded(0);
        QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(table->selectionModel()->selectedRows().first().row(), 0);
        QCOMPARE(stage.controller->selIdx(), 0);
        QCOMPARE(label(w, "w0_D1Name")->text(), QStringLiteral("Right"));
    }

    void editingARowRenamesIt()
    {
        GuiStage stage;
        QVERIFY(stage.feed({GuiStage::enclosure(QStringLiteral("1234"))}));
        QTableView* table =
            stage.shell.statusWindow()->findChild<QTableView*>(QStringLiteral("fTargetTable"));
        QAbstractItemModel* model = table->model();
        QVERIFY(model->setData(model->index(0, 0), QStringLiteral("Office")));
        QCOMPARE(stage.controller->nameDict().value(QStringLiteral("1234")).toString(),
                 QStringLiteral("Office"));
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Office"));
    }

    void closeMinimizesOnlyWithoutATray()
    {
        GuiStage stage;
        StatusWindow* w = stage.shell.statusWindow();
        w->show();
        QVERIFY(w->isVisible());
        w->setMinimizeOnClose(true);
        w->close();
        QVERIFY(w->isVisible());
        QVERIFY(w->isMinimized());
        w->setMinimizeOnClose(false);
        w->close();
        QVERIFY(!w->isVisible());
    }
};

TAMRO_TEST_MAIN(StatusWindowTest)
#include "test_statuswindow.moc"
