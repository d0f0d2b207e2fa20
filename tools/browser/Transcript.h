// The session transcript: one line per event sent, cancel, navigation, window and band call, so
// that a test or a person can read afterwards what the browser did and what the bands asked for.
#pragma once
#include <string>

// Opens (appending) the transcript file; lines are UTF-8 and start with the process id, so that
// several stand-in processes (pop-up windows) can share one file. An empty path keeps it closed.
bool TranscriptOpen(const std::wstring& path);
void TranscriptClose();
// printf-style wide line; the line end is added.
void TranscriptWrite(const wchar_t* format, ...);
