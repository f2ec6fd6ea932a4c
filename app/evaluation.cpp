// STUB: placeholder so the tree links; replaced by the real evaluation pass.
#include "app/appcontroller.h"
void AppController::processRaidInfo() {}
void AppController::buildParam(int) {}
