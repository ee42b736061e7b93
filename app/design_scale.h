#pragma once

// The main window and the about box were laid out at this resolution.
constexpr int kDesignDpi = 120;

// Scales a length designed at the given resolution to logical pixels.
int ScaleFrom(int pixels, int designDpi);
