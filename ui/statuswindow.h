// SPDX-License-Identifier: GPL-3.0-or-later
// The status window (w0_): one enclosure at a time with its picture, mode and rebuild texts,
// both drive panes with their capacity bars, and the device list (fTargetTable) in which the
// user selects and renames enclosures. It renders the display it is given and passes the
// user's actions to the calls it was built with. Without a system tray it also carries the tray
// menu's commands.
#pragma once

#include "presentation/statusdisplay.h"

#include <QWidget>

#include <functional>
#include <memory>

class QAbstractItemModel;
class QCloseEvent;
class StatusPresentation;

namespace Ui {
class w0_Window;
}

class StatusWindow : public QWidget
{
    Q_OBJECT
public:
    struct Wiring
    {
        QAbstractItemModel* devices = nullptr;      // the device list's rows
        StatusPresentation* presentation = nullptr; // Rescan, Close and the list's selection
        std::function<void()> showLog;
        std::function<void()> showSettings;
        std::function<void()> showHelp;
        std::function<void()> quit;
    };

    StatusWindow(Wiring wiring, const StatusDisplay& display, QWidget* parent = nullptr);
    ~StatusWindow() override;

    void showStatus(const StatusDisplay& display);
    // Selects a row of the device list, replacing any selection; -1 clears it.
    void selectRow(int row);
    // The Log, Settings, Help and Quit commands, for desktops without a tray.
    void setTrayCommandsVisible(bool visible);
    bool trayCommandsVisible() const;
    // Without a tray the window is the program's only way in: closing it minimizes it.
    void setMinimizeOnClose(bool minimize) { _minimizeOnClose = minimize; }
    bool minimizeOnClose() const { return _minimizeOnClose; }
    // Centred on its screen, in front, active.
    void orderFront();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void retranslate();
    void selectionChanged();

    Wiring _wiring;
    std::unique_ptr<Ui::w0_Window> _ui;
    bool _minimizeOnClose = false;
};
