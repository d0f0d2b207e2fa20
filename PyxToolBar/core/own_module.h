// The module (DLL or program) that holds this code, and its directory.
#pragma once

#include <windows.h>

#include <string>

HMODULE OwnModule();

// The module's path up to its last backslash (without it); "" when unknown.
std::string OwnModuleDirectory();
