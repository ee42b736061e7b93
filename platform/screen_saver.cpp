#include "screen_saver.h"

namespace platform {

std::unique_ptr<ScreenSaverHold> CreateScreenSaverHold()
{
    return std::make_unique<NullScreenSaverHold>();
}

} // namespace platform
