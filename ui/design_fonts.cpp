#include "ui/design_fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>

int AddDesignFonts()
{
    int added = 0;
    const QString folder = QStringLiteral("/usr/share/wine/fonts/");
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"}) {
        const QString path = folder + QLatin1String(file);
        if (QFile::exists(path) && QFontDatabase::addApplicationFont(path) >= 0)
            ++added;
    }
    return added;
}
