#pragma once

#include <string_view>

// Which files the slide list takes: the listing's name masks and the
// extensions of pictures and sounds.

// True for the masks that match every name: "*" and "*.*".
bool MaskMatchesEverything(std::string_view mask);

// True when name matches mask as FindFiles applies it: '*' and '?', ASCII
// case ignored.
bool MaskMatches(std::string_view mask, std::string_view name);

enum class FileKind { Other, Picture, Sound };

// What a file with this extension (dot included, ASCII case ignored) is to
// the slide list: pictures ".jpg", ".bmp", ".png" and sounds ".wav", ".mp3",
// and with moreKinds also pictures ".jpeg", ".jpe", ".jfif", ".gif", ".webp",
// ".heic", ".heif", ".avif" and sounds ".ogg", ".oga", ".opus", ".flac",
// ".m4a", ".aac".
FileKind KindOfExtension(std::string_view extension, bool moreKinds = false);

// Whether the extension is one that only moreKinds takes.
bool IsMoreKindExtension(std::string_view extension);
