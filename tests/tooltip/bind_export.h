// Binds an export by name to a typed function pointer, as the toolbar does.
#pragma once

#include <windows.h>

template <typename Fn>
Fn BindExport(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
