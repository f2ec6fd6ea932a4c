// STUB: placeholder so the tree links; replaced by the real status window actions.
#include "app/appcontroller.h"
void AppController::displayRaidInfo(int) {}
QString AppController::localizedErrorString(int) const { return {}; }
QString AppController::deviceName(int) const { return {}; }
void AppController::displayPanel(const QString&) {}
void AppController::deviceListSelectionChanged(int) {}
void AppController::renameDevice(int, const QString&) {}
void AppController::w0_OrderFront() {}
void AppController::w0_Close() {}
void AppController::w0_Rescan() {}
void AppController::w2_Rescan() {}
