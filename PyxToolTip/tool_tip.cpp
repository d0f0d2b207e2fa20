#include "tool_tip.h"

#include <cstring>

#include "resource.h"

namespace {

const int kMinimumWidth = 150;
const int kSidePadding = 60;     // badge column and margins beside the widest text
const int kRowHeight = 20;
const int kFrameHeight = 50;     // title band and panel margins
const int kPictureWidth = 29;
const int kPictureHeight = 14;
const int kPictureCount = 5;
const COLORREF kTransparent = RGB(0xFE, 0xFE, 0xFE);
const COLORREF kTitleText = 0x626262;
const COLORREF kRowText = 0x646464;
const COLORREF kLaterRowText = 0xC87123;   // rows from index 6 on: after the separator
const int kFirstLaterRow = 6;

bool gClassRegistered = false;

void CopyCut(char* out, size_t size, const char* text)
{
    if (text == nullptr) {
        out[0] = '\0';
        return;
    }
    size_t n = std::strlen(text);
    if (n > size - 1) {
        n = size - 1;
    }
    std::memcpy(out, text, n);
    out[n] = '\0';
}

HFONT MakeFont(HDC screen, int weight)
{
    int height = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, "돋움");
}

int TextWidth(HDC dc, const char* text)
{
    SIZE size = {};
    if (!GetTextExtentPoint32A(dc, text, (int)std::strlen(text), &size)) {
        return 0;
    }
    return size.cx;
}

} // namespace

bool RegisterToolTipClass(HINSTANCE module)
{
    if (gClassRegistered) {
        return true;
    }
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = CToolTip::WindowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = PYX_TOOLTIP_WINDOW_CLASS;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    gClassRegistered = true;
    return true;
}

void UnregisterToolTipClass(HINSTANCE module)
{
    if (gClassRegistered) {
        UnregisterClassA(PYX_TOOLTIP_WINDOW_CLASS, module);
        gClassRegistered = false;
    }
}

CToolTip::~CToolTip()
{
    Destroy();
    ReleaseGdiObjects();
    if (pictureList != nullptr) {
        ImageList_Destroy(pictureList);
        pictureList = nullptr;
    }
}

bool CToolTip::Create(HINSTANCE module)
{
    if (!RegisterToolTipClass(module)) {
        return false;
    }
    window = CreateWindowExA(WS_EX_TOOLWINDOW, PYX_TOOLTIP_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0,
                             nullptr, nullptr, module, this);
    return window != nullptr;
}

void CToolTip::Prepare(HINSTANCE module, int ownerValue)
{
    owner = ownerValue;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return;
    }
    titleFont = MakeFont(screen, FW_BOLD);
    rowFont = titleFont != nullptr ? MakeFont(screen, FW_NORMAL) : nullptr;
    ReleaseDC(nullptr, screen);
    if (titleFont == nullptr || rowFont == nullptr) {
        return;
    }
    greyPen = CreatePen(PS_SOLID, 1, 0xA9A9A9);

    HBITMAP badges = (HBITMAP)LoadImageA(module, MAKEINTRESOURCEA(IDB_SITE_BADGES), IMAGE_BITMAP,
                                         0, 0, LR_DEFAULTCOLOR);
    if (badges == nullptr) {
        return;
    }
    pictureList = ImageList_Create(kPictureWidth, kPictureHeight, ILC_COLOR24 | ILC_MASK,
                                   kPictureCount, 1);
    if (pictureList != nullptr && ImageList_AddMasked(pictureList, badges, kTransparent) < 0) {
        ImageList_Destroy(pictureList);
        pictureList = nullptr;
    }
    DeleteObject(badges);
}

int CToolTip::MeasureRows(HDC dc)
{
    int widest = TextWidth(dc, title) + 10;
    for (int i = 0; i < rowCount; ++i) {
        int width = TextWidth(dc, rows[i]) + 10;
        if (width > widest) {
            widest = width;
        }
    }
    return widest;
}

void CToolTip::SetSiteInfo(const char* titleText, const char* const* rowTexts,
                           const int* pictureIndexes, int count, COLORREF border, COLORREF second,
                           COLORREF background)
{
    if (window == nullptr) {
        return;
    }
    if (titleText == nullptr || rowTexts == nullptr || pictureIndexes == nullptr) {
        rowCount = 0;
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    if (count < 0) {
        count = 0;
    }
    if (count > PYX_TOOLTIP_MAX_ROWS) {
        count = PYX_TOOLTIP_MAX_ROWS;   // rows beyond the storage are ignored
    }

    int width = kMinimumWidth;
    int height = count * kRowHeight + kFrameHeight;
    CopyCut(title, sizeof(title), titleText);
    for (int i = 0; i < count; ++i) {
        CopyCut(rows[i], sizeof(rows[i]), rowTexts[i]);
        pictures[i] = pictureIndexes[i];
    }
    rowCount = count;

    int widest = 0;
    HDC dc = GetDC(window);
    if (dc != nullptr) {
        HGDIOBJ old = rowFont != nullptr ? SelectObject(dc, rowFont) : nullptr;
        widest = MeasureRows(dc);
        if (old != nullptr) {
            SelectObject(dc, old);
        }
        ReleaseDC(window, dc);
    }
    if (widest + kSidePadding >= kMinimumWidth) {
        width = widest + kSidePadding;
    }
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    borderColour = border;
    secondColour = second;
    backgroundColour = background;
    InvalidateRect(window, nullptr, TRUE);
}

void CToolTip::Show(int x, int y)
{
    if (window == nullptr) {
        return;
    }
    SetWindowPos(window, HWND_TOPMOST, x + 5, y + 10, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CToolTip::Hide()
{
    if (window != nullptr) {
        ShowWindow(window, SW_HIDE);
    }
}

void CToolTip::Destroy()
{
    if (window != nullptr) {
        DestroyWindow(window);   // WM_NCDESTROY clears the handle
        window = nullptr;
    }
}

void CToolTip::ReleaseGdiObjects()
{
    if (greyPen != nullptr) {
        DeleteObject(greyPen);
        greyPen = nullptr;
    }
    if (rowFont != nullptr) {
        DeleteObject(rowFont);
        rowFont = nullptr;
    }
    if (titleFont != nullptr) {
        DeleteObject(titleFont);
        titleFont = nullptr;
    }
}

void CToolTip::Paint(HDC dc, const RECT& client)
{
    int saved = SaveDC(dc);
    HPEN borderPen = CreatePen(PS_SOLID, 1, borderColour);
    HPEN panelPen = CreatePen(PS_SOLID, 1, secondColour);
    HPEN separatorPen = CreatePen(PS_DOT, 1, separatorColour);
    HBRUSH backgroundBrush = CreateSolidBrush(backgroundColour);
    HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);

    // 1. Outline in the border colour, 2. background inside it.
    RECT r = client;
    if (borderPen != nullptr) {
        SelectObject(dc, borderPen);
    }
    SelectObject(dc, white);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    InflateRect(&r, -1, -1);
    if (backgroundBrush != nullptr) {
        FillRect(dc, &r, backgroundBrush);
    }

    // 3. The rounded white panel below the title, outlined with the second colour.
    RECT panel = {r.left + 4, r.top + 30, r.right - 4, r.bottom - 4};
    if (panelPen != nullptr) {
        SelectObject(dc, panelPen);
    }
    RoundRect(dc, panel.left, panel.top, panel.right, panel.bottom, 16, 16);

    // 4. Title.
    SetBkMode(dc, TRANSPARENT);
    if (titleFont != nullptr) {
        SelectObject(dc, titleFont);
    }
    SetTextColor(dc, kTitleText);
    TextOutA(dc, 10, 12, title, (int)std::strlen(title));

    // 5. Rows: separators as dotted lines, others as badge and text.
    if (rowFont != nullptr) {
        SelectObject(dc, rowFont);
    }
    for (int i = 0; i < rowCount; ++i) {
        int offset = kRowHeight * i;
        int y = panel.top + 13 + offset;
        if (rows[i][0] == '@') {
            if (separatorPen != nullptr) {
                SelectObject(dc, separatorPen);
                MoveToEx(dc, panel.left, y + 7, nullptr);
                LineTo(dc, panel.right - 1, y + 7);
            }
            continue;
        }
        SetTextColor(dc, i >= kFirstLaterRow ? kLaterRowText : kRowText);
        TextOutA(dc, panel.left + 48, y, rows[i], (int)std::strlen(rows[i]));
        if (pictureList != nullptr && pictures[i] >= 0 && pictures[i] < kPictureCount) {
            ImageList_Draw(pictureList, pictures[i], dc, 16, 42 + offset, ILD_TRANSPARENT);
        }
    }

    // 6. Restore the context, then release what this paint made.
    RestoreDC(dc, saved);
    if (backgroundBrush != nullptr) {
        DeleteObject(backgroundBrush);
    }
    if (separatorPen != nullptr) {
        DeleteObject(separatorPen);
    }
    if (panelPen != nullptr) {
        DeleteObject(panelPen);
    }
    if (borderPen != nullptr) {
        DeleteObject(borderPen);
    }
}

LRESULT CALLBACK CToolTip::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CToolTip* self = reinterpret_cast<CToolTip*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_NCCREATE: {
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (dc != nullptr) {
            if (self != nullptr) {
                RECT client;
                GetClientRect(hwnd, &client);
                self->Paint(dc, client);
            }
            EndPaint(hwnd, &ps);
        }
        return 0;
    }
    case WM_PRINTCLIENT:
        if (self != nullptr) {
            RECT client;
            GetClientRect(hwnd, &client);
            self->Paint(reinterpret_cast<HDC>(wParam), client);
        }
        return 0;
    case WM_DESTROY:
        if (self != nullptr) {
            self->ReleaseGdiObjects();
        }
        return 0;
    case WM_NCDESTROY:
        if (self != nullptr) {
            self->window = nullptr;
        }
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
