// STUB: placeholder so the tree links; replaced by the real status display.
#include "ui/statusdisplay.h"
namespace status {
StatusDisplay displayRaidInfo(const ParseRaidInfo&, int, int, const StatusDisplay& previous) { return previous; }
void displaySVInfo(const ParseRaidInfo&, int, int, StatusDisplay&) {}
DrivePane displayDriveInfo(const AttrRecord&) { return {}; }
DrivePane clearedDriveInfo() { return {}; }
QString localizedPlugText(const QString& plugInfo) { return plugInfo; }
}
