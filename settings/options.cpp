#include "settings/options.h"

#include <cmath>

int RoundHalfAway(double v)
{
    return static_cast<int>(v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5));
}

int CaptionFont::size(int dpi) const
{
    return RoundHalfAway(-height * 72.0 / dpi);
}

void CaptionFont::setSize(int points, int dpi)
{
    height = -RoundHalfAway(points * static_cast<double>(dpi) / 72.0);
}
