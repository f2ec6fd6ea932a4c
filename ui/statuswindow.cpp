// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/statuswindow.h"

#include "presentation/statuspresentation.h"
#include "resourcepaths.h"
#include "ui/namedcolor.h"
#include "ui_w0_Window.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScreen>

namespace {

void setTextColor(QLabel* label, NamedColor color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, namedColor(color));
    label->setPalette(palette);
}

void showPane(const DrivePane& pane, QLabel* name, QLabel* size, QLabel* capacity, DiskView* view)
{
    name->setText(pane.name);
    size->setText(pane.size);
    capacity->setText(pane.capacity);
    view->setDiskView(namedColor(pane.barColor), pane.fraction);
    // Redrawn at once, like every other field of the window.
    if (view->isVisible())
        view->repaint();
    else
        view->update();
}

} // namespace

StatusWindow::StatusWindow(Wiring wiring, const StatusDisplay& display, QWidget* parent)
    : QWidget(parent), _wiring(std::move(wiring)), _ui(std::make_unique<Ui::w0_Window>())
{
    _ui->setupUi(this);
    setWindowIcon(QIcon(tamro::res::appIconPath(64)));
    retranslate();

    QTableView* table = _ui->fTargetTable;
    table->setModel(_wiring.devices);
    table->horizontalHeader()->setStretchLastSection(true);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &StatusWindow::selectionChanged);

    connect(_ui->w0_Rescan, &QPushButton::clicked, this,
            [this] { _wiring.presentation->w0_Rescan(); });
    connect(_ui->w0_Close, &QPushButton::clicked, this,
            [this] { _wiring.presentation->w0_Close(); });
    connect(_ui->w0_Log, &QPushButton::clicked, this, [this] { _wiring.showLog(); });
    connect(_ui->w0_Settings, &QPushButton::clicked, this, [this] { _wiring.showSettings(); });
    connect(_ui->w0_Help, &QPushButton::clicked, this, [this] { _wiring.showHelp(); });
    connect(_ui->w0_Quit, &QPushButton::clicked, this, [this] { _wiring.quit(); });
    setTrayCommandsVisible(false);

    showStatus(display);
}

StatusWindow::~StatusWindow() = default;

void StatusWindow::retranslate()
{
    setWindowTitle(qtTrId("UI_StatusWindowTitle"));
    _ui->w0_ModeLabel->setText(qtTrId("UI_Mode"));
    _ui->w0_StatusLabel->setText(qtTrId("UI_Rebuild"));
    _ui->w0_D0Box->setTitle(qtTrId("UI_Disk1"));
    _ui->w0_D1Box->setTitle(qtTrId("UI_Disk2"));
    for (QLabel* label : {_ui->w0_D0ModelLabel, _ui->w0_D1ModelLabel})
        label->setText(qtTrId("UI_Model"));
    for (QLabel* label : {_ui->w0_D0SizeLabel, _ui->w0_D1SizeLabel})
        label->setText(qtTrId("UI_Size"));
    for (QLabel* label : {_ui->w0_D0CapacityLabel, _ui->w0_D1CapacityLabel})
        label->setText(qtTrId("UI_Difference"));
    _ui->w0_DeviceListLabel->setText(qtTrId("UI_DeviceList"));
    _ui->w0_Rescan->setText(qtTrId("UI_Rescan"));
    _ui->w0_Close->setText(qtTrId("UI_Close"));
    _ui->w0_Log->setText(qtTrId("UI_MenuLog"));
    _ui->w0_Settings->setText(qtTrId("UI_MenuSettings"));
    _ui->w0_Help->setText(qtTrId("UI_MenuHelp"));
    _ui->w0_Quit->setText(qtTrId("UI_MenuQuit"));
}

void StatusWindow::showStatus(const StatusDisplay& display)
{
    _ui->w0_Mode->setText(display.modeText);
    setTextColor(_ui->w0_Mode, display.modeColor);
    _ui->w0_Status->setText(display.statusText);
    setTextColor(_ui->w0_Status, display.statusColor);
    showPane(display.drive0, _ui->w0_D0Name, _ui->w0_D0Size, _ui->w0_D0Capacity, _ui->w0_D0View);
    showPane(display.drive1, _ui->w0_D1Name, _ui->w0_D1Size, _ui->w0_D1Capacity, _ui->w0_D1View);
    _ui->w0_Image->setPixmap(QPixmap(tamro::res::picturePath(display.picture)));
}

void StatusWindow::selectRow(int row)
{
    QTableView* table = _ui->fTargetTable;
    QAbstractItemModel* model = table->model();
    if (!model || row < 0 || row >= model->rowCount()) {
        table->clearSelection();
        return;
    }
    table->selectionModel()->select(model->index(row, 0), QItemSelectionModel::ClearAndSelect |
                                                              QItemSelectionModel::Rows);
    table->selectionModel()->setCurrentIndex(model->index(row, 0), QItemSelectionModel::NoUpdate);
}

void StatusWindow::selectionChanged()
{
    const QModelIndexList rows = _ui->fTargetTable->selectionModel()->selectedRows();
    _wiring.presentation->deviceListSelectionChanged(rows.isEmpty() ? -1 : rows.first().row());
}

void StatusWindow::setTrayCommandsVisible(bool visible)
{
    _ui->w0_TrayCommands->setVisible(visible);
}

bool StatusWindow::trayCommandsVisible() const
{
    return !_ui->w0_TrayCommands->isHidden();
}

void StatusWindow::orderFront()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void StatusWindow::closeEvent(QCloseEvent* event)
{
    if (_minimizeOnClose) {
        event->ignore();
        showMinimized();
        return;
    }
    QWidget::closeEvent(event);
}
