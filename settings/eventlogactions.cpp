// STUB: placeholder so the tree links; replaced by the real event log actions.
#include "app/appcontroller.h"
void AppController::readCSVFile() {}
void AppController::writeCSVFile(const QString&, int) {}
void AppController::w2_OrderFront() {}
void AppController::w2_Ok() {}
