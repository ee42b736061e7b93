#include "media/file_kinds.h"

#include "system/ascii_case.h"

#include <string>

namespace {

struct KnownKind {
    std::string_view extension;
    FileKind kind;
    bool more; // taken only with the more kinds on
    PictureFormat picture;
};

// Every extension the program knows, in lower case.
constexpr KnownKind kKinds[] = {
    {".jpg", FileKind::Picture, false, PictureFormat::Jpeg},
    {".bmp", FileKind::Picture, false, PictureFormat::Bmp},
    {".png", FileKind::Picture, false, PictureFormat::Png},
    {".wav", FileKind::Sound, false, PictureFormat::None},
    {".mp3", FileKind::Sound, false, PictureFormat::None},
    {".jpeg", FileKind::Picture, true, PictureFormat::Jpeg},
    {".jpe", FileKind::Picture, true, PictureFormat::Jpeg},
    {".jfif", FileKind::Picture, true, PictureFormat::Jpeg},
    {".gif", FileKind::Picture, true, PictureFormat::Gif},
    {".webp", FileKind::Picture, true, PictureFormat::Webp},
    {".heic", FileKind::Picture, true, PictureFormat::Heif},
    {".heif", FileKind::Picture, true, PictureFormat::Heif},
    {".avif", FileKind::Picture, true, PictureFormat::Heif},
    {".ogg", FileKind::Sound, true, PictureFormat::None},
    {".oga", FileKind::Sound, true, PictureFormat::None},
    {".opus", FileKind::Sound, true, PictureFormat::None},
    {".flac", FileKind::Sound, true, PictureFormat::None},
    {".m4a", FileKind::Sound, true, PictureFormat::None},
    {".aac", FileKind::Sound, true, PictureFormat::None},
};

const KnownKind* Known(std::string_view extension)
{
    if (extension.size() < 4 || extension.size() > 5)
        return nullptr;
    const std::string lower = AsciiLower(extension);
    for (const KnownKind& k : kKinds)
        if (k.extension == lower)
            return &k;
    return nullptr;
}

} // namespace

FileKind KindOfExtension(std::string_view extension, bool moreKinds)
{
    const KnownKind* known = Known(extension);
    return known && (moreKinds || !known->more) ? known->kind : FileKind::Other;
}

bool IsMoreKindExtension(std::string_view extension)
{
    const KnownKind* known = Known(extension);
    return known && known->more;
}

PictureFormat PictureFormatOfExtension(std::string_view extension)
{
    const KnownKind* known = Known(extension);
    return known ? known->picture : PictureFormat::None;
}
