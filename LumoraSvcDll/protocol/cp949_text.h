// Cutting narrow texts of the Korean ANSI code page (CP949) without splitting a double-byte
// character. Portable: no platform headers.
#pragma once

#include <cstddef>

// The length of the longest prefix of text[0 .. length) that is at most `limit` bytes and does
// not end between the two bytes of a double-byte character (a lead byte 0x81..0xFE followed by
// its trail byte).
size_t Cp949CutLength(const char* text, size_t length, size_t limit);
