// The system's text for a Windows Sockets error number, for the connection diagnostics.
#pragma once

#include <cstddef>

// Writes the text (without its line break) into `out`, always terminated, and returns `out`.
// Numbers without a text give "error N".
const char* SocketErrorText(int error, char* out, size_t size);
