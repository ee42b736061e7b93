#pragma once

#include <string>
#include <string_view>

// ASCII case, as file names and extensions are compared and paired: only the
// bytes A to Z and a to z change; every other byte, non-ASCII ones included,
// is left as it is.

constexpr char AsciiLowerByte(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char AsciiUpperByte(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool HasAsciiUpper(std::string_view text)
{
    for (char c : text)
        if (c >= 'A' && c <= 'Z')
            return true;
    return false;
}

inline void AsciiLowerInPlace(std::string& text)
{
    for (char& c : text)
        c = AsciiLowerByte(c);
}

inline std::string AsciiLower(std::string_view text)
{
    std::string lowered(text);
    AsciiLowerInPlace(lowered);
    return lowered;
}
