#include "options.h"

#include "byte_text.h"

#include <cmath>
#include <filesystem>

int RoundHalfAway(double v)
{
    return static_cast<int>(v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5));
}

int CaptionFont::size(int dpi) const
{
    return RoundHalfAway(-height * 72.0 / dpi);
}

void CaptionFont::setSize(int points, int dpi)
{
    height = -RoundHalfAway(points * static_cast<double>(dpi) / 72.0);
}

QString FirstRunDataFolder(const QString& executableDir)
{
    QString dir = executableDir;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    dir += QStringLiteral("../datasets");
    const std::filesystem::path p = std::filesystem::absolute(TextToBytes(dir).toStdString()).lexically_normal();
    QString result = BytesToText(p.native());
    // lexically_normal keeps a trailing separator for "a/b/.."; the setting never ends in one
    while (result.size() > 1 && result.endsWith(QLatin1Char('/')))
        result.chop(1);
    return result;
}
