// The user's temporary directory as the system reports it (with its trailing backslash).
#pragma once

#include <cstddef>

constexpr size_t kTempPathSize = 1024;

// False when the system reports no directory or one that does not fit `size` bytes.
bool GetTempDirectory(char* out, size_t size);
