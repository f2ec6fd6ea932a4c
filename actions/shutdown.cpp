// STUB: placeholder so the tree links; replaced by the real password and shutdown.
#include "app/appcontroller.h"
void AppController::w1_GetRootPassword() {}
bool AppController::getRootPwd() { return false; }
int AppController::doExecLog(const QStringList&) { return 0; }
void AppController::execShutdown() {}
bool AppController::hasRootPassword() const { return false; }
