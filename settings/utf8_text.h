#pragma once

#include <cstddef>
#include <string_view>

// Checks on names that come as bytes: UTF-8 as a rule, but nothing makes them so.

// True when every byte is below 0x80.
bool IsAscii(std::string_view text);

// Length of the well-formed UTF-8 sequence at the start of text, or 0.
std::size_t Utf8SequenceLength(std::string_view text);
