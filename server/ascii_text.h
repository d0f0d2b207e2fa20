// Case folding and white-space trimming of ASCII text, shared by the server's parsers.
#pragma once

#include <string>

// The text with A-Z folded to a-z; other bytes (CP949 and UTF-8 included) unchanged.
std::string Lower(std::string text);

// The text without leading and trailing white space.
std::string Trim(const std::string& text);
