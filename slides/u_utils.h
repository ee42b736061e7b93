#pragma once

// The utility unit of the slide collection. Its parts live in files of their
// own: the folder listing, the listing's masks, paths and file checks, the
// shuffle, and the ASCII case that listed names are compared in.

#include "ascii_case.h"
#include "file_listing.h"
#include "file_masks.h"
#include "file_paths.h"
#include "shuffle.h"
