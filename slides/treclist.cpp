#include "treclist.h"
#include "options.h"

void treclist::ScanFolder(const Options&)
{
    items.clear();
}
