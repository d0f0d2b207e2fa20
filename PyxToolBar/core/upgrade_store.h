// The Upgrade key: the installed version text and the time of the last daily upgrade check.
#pragma once

#include <string>

// Reads the file version of the module that holds this code from its version resource, stores
// it as "version" ("%d.%d.%d.%d") and returns it. Without a version resource nothing is stored
// and the result is "0.0.0.0".
std::string RecordModuleVersion();

// "version", or "0.0.0.0" when absent or empty.
std::string ReadInstalledVersion();

// Stores the current time stamp as "lastUpgrade".
void StampLastUpgrade();
