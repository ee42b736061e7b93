#pragma once

#include <QIcon>

// The program's own glyphs, drawn in code so that they stay crisp at any scale.
namespace Glyphs {
QIcon run();        // two running figures
QIcon options();    // a key
QIcon contents();   // a help book
QIcon search();     // a page with a lens
QIcon about();      // a crawling baby
QIcon application(); // the program's icon
}
