#include "Screenshot.h"

#include <vector>

#include "PngWriter.h"
#include "Transcript.h"

bool SaveWindowPng(HWND window, const std::wstring& path)
{
    RECT r;
    if (!GetWindowRect(window, &r)) {
        TranscriptWrite(L"screenshot: no window");
        return false;
    }
    int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) {
        TranscriptWrite(L"screenshot: window has no area (minimised?)");
        return false;
    }
    // Bring the window up and let everything paint before the copy.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();

    HDC screen = GetDC(nullptr);
    if (!screen) {
        TranscriptWrite(L"screenshot: no screen DC");
        return false;
    }
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = memory ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT) != FALSE;
        GdiFlush();
        SelectObject(memory, old);
    }
    std::vector<uint8_t> rgb;
    if (ok) {
        const uint8_t* pixels = static_cast<const uint8_t*>(bits);
        rgb.resize(static_cast<size_t>(width) * height * 3);
        for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
            rgb[i * 3] = pixels[i * 4 + 2];
            rgb[i * 3 + 1] = pixels[i * 4 + 1];
            rgb[i * 3 + 2] = pixels[i * 4];
        }
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!ok) {
        TranscriptWrite(L"screenshot: capture failed %lu", GetLastError());
        return false;
    }
    std::vector<uint8_t> png = EncodePng(rgb.data(), static_cast<uint32_t>(width),
                                         static_cast<uint32_t>(height));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        TranscriptWrite(L"screenshot: cannot create %ls (%lu)", path.c_str(), GetLastError());
        return false;
    }
    DWORD written = 0;
    BOOL wrote = WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
    CloseHandle(file);
    TranscriptWrite(L"screenshot %ls %dx%d%ls", path.c_str(), width, height,
                    wrote ? L"" : L" (write failed)");
    return wrote != FALSE;
}
