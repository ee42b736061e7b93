#pragma once

#include <string>
#include <string_view>

// The caption in upper or lower case by the full Unicode rules; any other
// mode leaves it alone. Bytes that are not UTF-8 are kept as they are.
std::string ConvertCaptionCase(std::string_view caption, int mode);
