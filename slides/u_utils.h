#pragma once

// The utility unit of the slide collection. Its parts live in files of their
// own: the folder listing, the listing's masks, paths and file checks, the
// shuffle, and the ASCII case that listed names are compared in.

#include "system/ascii_case.h"
#include "slides/file_listing.h"
#include "slides/file_masks.h"
#include "slides/file_paths.h"
#include "slides/shuffle.h"
