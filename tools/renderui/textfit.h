// SPDX-License-Identifier: GPL-3.0-or-later
// Finds text that a window cannot show whole: a label, button, check box, group box title,
// tab bar, combo box or menu smaller than its own size hint, a word-wrapped label too short
// for its lines, a table column narrower than its title, or a character that no installed
// font can draw. Every page of a tab widget is looked at in turn.
#pragma once

#include <QStringList>

class QWidget;

// One line per problem: "<object name> (<class>): needs WxH, has WxH: <text>" or
// "<object name> (<class>): no font draws <characters>: <text>". Empty when all text fits.
QStringList findCutTexts(QWidget& window);
