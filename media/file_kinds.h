#pragma once

#include <string_view>

// The kinds of file the program knows by their extensions, in one table: what
// the slide list takes a file for, and which decoder reads a picture.

enum class FileKind { Other, Picture, Sound };

// What a file with this extension (dot included, ASCII case ignored) is to
// the slide list: pictures ".jpg", ".bmp", ".png" and sounds ".wav", ".mp3",
// and with moreKinds also pictures ".jpeg", ".jpe", ".jfif", ".gif", ".webp",
// ".heic", ".heif", ".avif" and sounds ".ogg", ".oga", ".opus", ".flac",
// ".m4a", ".aac".
FileKind KindOfExtension(std::string_view extension, bool moreKinds = false);

// Whether the extension is one that only moreKinds takes.
bool IsMoreKindExtension(std::string_view extension);

enum class PictureFormat { None, Jpeg, Png, Bmp, Webp, Gif, Heif };

// The decoder for a picture extension of the table, whether or not it needs
// moreKinds; None for any other extension.
PictureFormat PictureFormatOfExtension(std::string_view extension);
