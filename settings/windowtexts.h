// The windows' forms carry text ids ("UI_SMTPServer") in place of texts; this replaces each
// id with its text from the string table.
#pragma once

class QWidget;

void translateWindowTexts(QWidget* window);
