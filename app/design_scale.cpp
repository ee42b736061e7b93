#include "app/design_scale.h"

#include "settings/options.h"

int ScaleFrom(int pixels, int designDpi)
{
    return RoundHalfAway(pixels * 96.0 / designDpi);
}
