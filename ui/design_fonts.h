#pragma once

// The windows are laid out for Tahoma and MS Sans Serif. Where metric
// look-alikes of them are installed (Debian's fonts-wine keeps them outside
// the system's font folders), they are made available to the program, so that
// texts fit the places the layouts give them. Returns how many were added.
int AddDesignFonts();
