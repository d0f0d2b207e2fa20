// Conversion between the UTF-8 that the store and the operator use and the CP949 (Korean ANSI)
// bytes that travel to the toolbars and that browsers post.
#pragma once

#include <string>

// Bytes that cannot be converted become '?' (to CP949) or U+FFFD (to UTF-8); never fails.
std::string Utf8ToCp949(const std::string& utf8);
std::string Cp949ToUtf8(const std::string& cp949);

// True when the text is well-formed UTF-8 (admin input is checked with this).
bool IsValidUtf8(const std::string& text);
