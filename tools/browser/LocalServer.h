// InternetExplorer.Application served by this program: a class factory that opens a new (hidden)
// browser window per CreateInstance, and the registration that points the class's local server
// at this program (inside a throwaway prefix only; the earlier value is kept for --unregister).
#pragma once
#include <windows.h>

bool RegisterAsInternetExplorer();
bool UnregisterAsInternetExplorer();
// Registers the class object (multiple use) for the process; false on failure.
bool StartLocalServer();
void StopLocalServer();
