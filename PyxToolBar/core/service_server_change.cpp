#include "service_server_change.h"

#include <windows.h>

#include <string>

#include "own_module.h"

bool TellServiceServerChange(const char* host, int port)
{
    std::string directory = OwnModuleDirectory();
    if (directory.empty())
        return false;
    std::string path = directory + "\\LumoraSvcDll.dll";
    HMODULE library = LoadLibraryA(path.c_str());
    if (library == nullptr)
        return false;
    bool told = false;
    LMChangeServerIpPortProc change = reinterpret_cast<LMChangeServerIpPortProc>(
        reinterpret_cast<void*>(GetProcAddress(library, "LMChangeServerIpPort")));
    if (change != nullptr) {
        change(host, port);
        told = true;
    }
    FreeLibrary(library);
    return told;
}
