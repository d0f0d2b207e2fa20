// The normalised host name sent with every address check. Portable.
#pragma once

#include <string>

// Lower case (ASCII letters; the trail bytes of CP949 characters are left alone), trailing then
// leading white space removed, then a leading "www." removed. May be empty.
std::string NormaliseHostName(const char* host);
