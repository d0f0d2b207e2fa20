// The module handle of PyxToolTip.dll, set at process attach.
#pragma once

#include <windows.h>

extern HINSTANCE gModule;
