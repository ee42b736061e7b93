#pragma once

// Turning the settings' colour values into colours to paint with.

#include "settings/options.h"

#include <QColor>

// A plain colour (0x00BBGGRR) as it is; a system colour (0xFF000000 + index)
// through the application palette where a role matches, otherwise a fixed
// colour. Other values use their low 24 bits.
QColor TColorToQColor(TColor color);

// The plain colour value of an RGB colour (alpha is dropped).
TColor QColorToTColor(const QColor& color);
