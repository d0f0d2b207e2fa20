// Copies texts into fixed buffers, cutting what does not fit. Portable.
#pragma once

#include <cstddef>

// Copies at most size - 1 bytes of text and terminates. Cuts at a byte count (addresses: the cut
// must be the same everywhere the text serves as a key). Returns the bytes copied.
size_t CopyCut(char* out, size_t size, const char* text);

// Like CopyCut, but never leaves half of a double-byte (CP949) character at the end: for texts
// that are shown. Returns the bytes copied.
size_t CopyCutText(char* out, size_t size, const char* text, size_t length);
size_t CopyCutText(char* out, size_t size, const char* text);
