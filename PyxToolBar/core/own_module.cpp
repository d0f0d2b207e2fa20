#include "own_module.h"

#include <vector>

HMODULE OwnModule()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&OwnModule), &module))
        return nullptr;
    return module;
}

std::string OwnModuleDirectory()
{
    HMODULE module = OwnModule();
    if (module == nullptr)
        return std::string();
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::string();
        if (n < path.size())
            break;
        if (path.size() >= 32768)
            return std::string();
        path.resize(path.size() * 2);
    }
    std::string text(path.data());
    size_t slash = text.find_last_of('\\');
    if (slash == std::string::npos)
        return std::string();
    return text.substr(0, slash);
}
