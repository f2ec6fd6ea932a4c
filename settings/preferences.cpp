// STUB: placeholder so the tree links; replaced by the real preferences.
#include "app/appcontroller.h"
QVariantMap AppController::registeredDefaults() { return {}; }
void AppController::loadUserDefaults() {}
void AppController::saveUserDefaults() {}
void AppController::SetMailController(bool) {}
void AppController::w1_OrderFront() {}
void AppController::w1_Ok() {}
void AppController::w1_Cancel() {}
void AppController::w1_SendMail() {}
void AppController::w1_SendRebuildMail() {}
void AppController::w1_POPbSMTP() {}
void AppController::w1_SetFilePath() {}
QString AppController::autostartEntryPath() const { return {}; }
void AppController::writeAutostartEntry() {}
