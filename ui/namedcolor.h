// SPDX-License-Identifier: GPL-3.0-or-later
// The named colours of the status display as Qt colours.
#pragma once

#include "presentation/statusdisplay.h"

#include <QColor>

inline QColor namedColor(NamedColor color)
{
    switch (color) {
    case NamedColor::Black:
        return QColor::fromRgbF(0.0f, 0.0f, 0.0f);
    case NamedColor::Magenta:
        return QColor::fromRgbF(1.0f, 0.0f, 1.0f);
    case NamedColor::Yellow:
        return QColor::fromRgbF(1.0f, 1.0f, 0.0f);
    case NamedColor::Blue:
        return QColor::fromRgbF(0.0f, 0.0f, 1.0f);
    }
    return QColor::fromRgbF(0.0f, 0.0f, 0.0f);
}
