// Captures a window as it is on the screen (GDI) and writes it as a PNG file.
#pragma once
#include <windows.h>
#include <string>

bool SaveWindowPng(HWND window, const std::wstring& path);
