// STUB: placeholder so the tree links; replaced by the real mail sending.
#include "app/appcontroller.h"
bool AppController::sendMail(int, int) { return false; }
void AppController::w1_TestMail() {}
QString AppController::recipientList() const { return {}; }
QStringList AppController::mailArguments(const QString&) const { return {}; }
QString AppController::mailBody(int, int, const QString&) const { return {}; }
QString AppController::locateMailTool() const { return {}; }
