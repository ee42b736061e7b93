#pragma once

#include "media/file_kinds.h"

#include <string_view>

// Which files the slide list takes: the listing's name masks, and (from
// media/file_kinds.h) the extensions of pictures and sounds.

// True for the masks that match every name: "*" and "*.*".
bool MaskMatchesEverything(std::string_view mask);

// True when name matches mask as FindFiles applies it: '*' and '?', ASCII
// case ignored.
bool MaskMatches(std::string_view mask, std::string_view name);
