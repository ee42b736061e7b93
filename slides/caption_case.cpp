#include "slides/caption_case.h"

#include "system/ascii_case.h"
#include "settings/options.h"
#include "settings/utf8_text.h"

#include <QByteArray>
#include <QString>

namespace {

std::string ConvertUtf8(std::string_view text, int mode)
{
    const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QByteArray converted = (mode == ccUppercase ? decoded.toUpper() : decoded.toLower()).toUtf8();
    return std::string(converted.constData(), static_cast<std::size_t>(converted.size()));
}

} // namespace

std::string ConvertCaptionCase(std::string_view caption, int mode)
{
    if (mode != ccUppercase && mode != ccLowercase)
        return std::string(caption);
    if (IsAscii(caption)) {
        std::string converted(caption);
        for (char& c : converted)
            c = mode == ccUppercase ? AsciiUpperByte(c) : AsciiLowerByte(c);
        return converted;
    }
    // Well-formed runs are converted; a byte that is not UTF-8 (a name
    // written in another encoding) is kept rather than replaced.
    std::string converted;
    converted.reserve(caption.size());
    std::size_t pos = 0;
    while (pos < caption.size()) {
        std::size_t end = pos;
        while (end < caption.size()) {
            const std::size_t length = Utf8SequenceLength(caption.substr(end));
            if (length == 0)
                break;
            end += length;
        }
        if (end > pos) {
            converted += ConvertUtf8(caption.substr(pos, end - pos), mode);
            pos = end;
        } else {
            converted.push_back(caption[pos++]);
        }
    }
    return converted;
}
