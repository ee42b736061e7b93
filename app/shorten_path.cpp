#include "app/shorten_path.h"

QString ShortenPathWindows(const QString& path)
{
    if (path.isEmpty())
        return {};
    QString drive;
    if (path.size() >= 2 && path[1] == QLatin1Char(':')) {
        drive = path.left(2);
    } else if (path.startsWith(QLatin1String("\\\\"))) {
        // \\server\share: up to the backslash that ends the share name
        const int serverEnd = path.indexOf(QLatin1Char('\\'), 2);
        const int shareEnd = serverEnd < 0 ? -1 : path.indexOf(QLatin1Char('\\'), serverEnd + 1);
        drive = shareEnd < 0 ? path : path.left(shareEnd);
    }
    const int cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char(':')));
    return drive + QLatin1String("\\...\\") + path.mid(cut + 1);
}

QString ShortenPath(const QString& path)
{
    if (path.isEmpty())
        return {};
    const bool windowsStyle = path.contains(QLatin1Char('\\'))
        || (path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].isLetter());
    if (windowsStyle)
        return ShortenPathWindows(path);
    // On POSIX ":" is an ordinary file name character; only "/" separates.
    return QLatin1String("/.../") + path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool ShortenedFileName(std::string_view path, std::string_view& name)
{
    if (path.empty())
        return false;
    for (const char c : path)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\\')
            return false;
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (path.size() >= 2 && path[1] == ':' && letter(path[0]))
        return false;
    const std::size_t slash = path.rfind('/');
    name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return true;
}
