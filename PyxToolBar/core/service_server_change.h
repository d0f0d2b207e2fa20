// Tells the service library that the toolbar server changed.
#pragma once

// The export of LumoraSvcDll.dll: LMChangeServerIpPort(host, port), C calling convention (as
// LMChangeServerIpPortFn of the library's lumora_svc_api.h), 1 on success.
typedef int(__cdecl* LMChangeServerIpPortProc)(const char* host, int port);

// Loads "LumoraSvcDll.dll" from this module's directory, binds LMChangeServerIpPort by name and
// calls it. When the library or the export is missing nothing happens and the result is false.
bool TellServiceServerChange(const char* host, int port);
