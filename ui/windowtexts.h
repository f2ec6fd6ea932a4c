// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' forms carry text ids ("UI_SMTPServer") in place of texts; this replaces each
// id with its text from the string table. Check boxes, radio buttons and combo boxes then
// never get narrower than their text, nor the window smaller than its layout needs: the
// window grows instead, in every language.
#pragma once

class QWidget;

void translateWindowTexts(QWidget* window);
