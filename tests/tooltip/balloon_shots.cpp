// Pictures for looking at: the balloon of every lamp state with the lines the navigation check
// gives it, shown over a page-like backdrop and captured from the screen, and a contact sheet of
// every picture in PyxRes.dll. Writes 24-bit BMP files into the folder given as the argument
// (screenshots.sh turns them into PNG files).
//   balloon_shots.exe OUTPUT_FOLDER
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bind_export.h"
#include "pyx_tooltip_api.h"

namespace {

COLORREF Hex(unsigned rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

struct Row {
    const char* text;
    int tag;
};

struct LampShot {
    const char* file;
    unsigned border, accent, fill;   // #RRGGBB of the lamp state
    const char* title;
    std::vector<Row> rows;
};

const char kEncrypted[] = "입력정보를 암호화해서 전송합니다.";

// The verdict lines as the lamp builds them: a separator "@" before the sixth line.
std::vector<LampShot> Shots()
{
    std::vector<Row> clean = {{"악성코드 유포지/경유지가 아닙니다.", 1},
                              {"과거 보안위협 이력이 없습니다.", 1},
                              {"피싱 사이트가 아닙니다.", 1},
                              {"홈페이지 변조가 발견되지 않았습니다.", 1},
                              {"청소년 유해 사이트가 아닙니다.", 1}};
    std::vector<Row> good = clean;
    good.push_back({"@", -1});
    good.push_back({kEncrypted, -1});
    std::vector<Row> trusted = clean;
    trusted.push_back({"@", -1});
    trusted.push_back({kEncrypted, -1});
    trusted.push_back({"신뢰할 수 있는 인증 사이트입니다.", 0});
    std::vector<Row> caution = {{"악성코드 유포지/경유지가 아닙니다.", 1},
                                {"과거 악성코드 유포 이력이 있습니다.", 2},
                                {"피싱 사이트가 아닙니다.", 1},
                                {"홈페이지 변조가 발견되지 않았습니다.", 1},
                                {"청소년 유해 사이트가 아닙니다.", 1}};
    std::vector<Row> danger = {{"악성코드를 유포하는 사이트입니다.", 3},
                               {"과거 보안위협 이력이 있습니다.", 2},
                               {"피싱 사이트로 신고되었습니다.", 2},
                               {"홈페이지 변조가 발견되지 않았습니다.", 1},
                               {"청소년 유해 사이트가 아닙니다.", 1}};
    static const char kNoThreat[] = "현재 사이트 보안수준 : 위협요소가 발견되지 않음";
    return {
        {"balloon_loading", 0x5F90BD, 0x95B6D8, 0xE1EEFC, "현재 사이트 상태 : 미확인",
         {{"현재 정보를 검색 중입니다. 잠시만 기다려 주세요", -1}}},
        {"balloon_trusted", 0x86A445, 0xBBD189, 0xEEFAD3, kNoThreat, trusted},
        {"balloon_good", 0x5F90BD, 0x95B6D8, 0xE1EEFC, kNoThreat, good},
        {"balloon_caution", 0xCDA95B, 0xE6C687, 0xFFF9D6,
         "현재 사이트 보안수준 : 과거 보안위협 이력있음(주의필요)", caution},
        {"balloon_danger", 0xD17A7D, 0xDEA999, 0xFFE4E5, "현재 사이트 보안수준 : 위험", danger},
        {"balloon_delayed", 0x969696, 0xC8C8C8, 0xEBEBEB, "현재 사이트 상태",
         {{"인터넷 연결이 원활하지 않습니다.", 4}}},
        {"balloon_no_information", 0x5F90BD, 0x95B6D8, 0xE1EEFC, "현재 사이트 상태 : 미확인",
         {{"관련 정보 없음", -1}}},
    };
}

// ------------------------------------------------------------------------------------------------

bool SaveBitmap(HBITMAP bitmap, int width, int height, const std::string& path)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    int stride = ((width * 3) + 3) & ~3;
    std::vector<unsigned char> bits((size_t)stride * height);
    HDC screen = GetDC(nullptr);
    int lines = GetDIBits(screen, bitmap, 0, height, bits.data(),
                          reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != height) {
        return false;
    }
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + (DWORD)bits.size();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool ok = std::fwrite(&file, sizeof(file), 1, f) == 1 &&
              std::fwrite(&header, sizeof(header), 1, f) == 1 &&
              std::fwrite(bits.data(), bits.size(), 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

// A memory bitmap with its device context.
struct Canvas {
    Canvas(int w, int h) : width(w), height(h)
    {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        ReleaseDC(nullptr, screen);
        old = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    bool Save(const std::string& path)
    {
        SelectObject(dc, old);
        bool ok = SaveBitmap(bitmap, width, height, path);
        SelectObject(dc, bitmap);
        return ok;
    }
    int width, height;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

void CaptureScreen(Canvas& canvas, int x, int y)
{
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.dc, 0, 0, canvas.width, canvas.height, screen, x, y, SRCCOPY);
    ReleaseDC(nullptr, screen);
}

void PumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
}

// A window that looks like part of a web page, for the balloon to float over.
LRESULT CALLBACK BackdropProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
        RECT band = {0, 0, r.right, 36};
        HBRUSH blue = CreateSolidBrush(Hex(0x2B5797));
        FillRect(dc, &band, blue);
        DeleteObject(blue);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        TextOutA(dc, 12, 10, "뉴스  스포츠  연예  쇼핑  메일  카페  블로그", 44);
        SetTextColor(dc, RGB(40, 40, 40));
        const char* line = "오늘의 주요 뉴스와 생활 정보를 한눈에 확인하세요. Lorem ipsum 12345";
        for (int y = 50; y < r.bottom; y += 18) {
            TextOutA(dc, 12 + (y % 36), y, line, (int)std::strlen(line));
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND CreateBackdrop(int width, int height)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BackdropProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "LumoraShotBackdrop";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

int ShootBalloons(const std::string& folder)
{
    HMODULE tooltip = LoadLibraryA("PyxToolTip.dll");
    if (tooltip == nullptr) {
        std::fprintf(stderr, "PyxToolTip.dll not found\n");
        return 1;
    }
    auto init = BindExport<InitToolTipFn>(tooltip, "InitToolTip");
    auto set = BindExport<SetSiteInfoFn>(tooltip, "SetSiteInfo");
    auto show = BindExport<ShowSiteInfoFn>(tooltip, "ShowSiteInfo");
    auto hide = BindExport<HideSiteInfoFn>(tooltip, "HideSiteInfo");
    auto cleanup = BindExport<CleanupFn>(tooltip, "Cleanup");
    if (!init || !set || !show || !hide || !cleanup) {
        std::fprintf(stderr, "PyxToolTip.dll lacks an export\n");
        return 1;
    }
    HWND backdrop = CreateBackdrop(640, 480);
    int id = init(reinterpret_cast<int>(backdrop));
    if (backdrop == nullptr || id < 0) {
        std::fprintf(stderr, "cannot create the backdrop or the balloon\n");
        return 1;
    }
    PumpFor(200);

    int failures = 0;
    const int cursorX = 40, cursorY = 40;   // the balloon's corner is at (45, 50)
    for (const LampShot& shot : Shots()) {
        std::vector<const char*> texts;
        std::vector<int> tags;
        for (const Row& row : shot.rows) {
            texts.push_back(row.text);
            tags.push_back(row.tag);
        }
        set(id, shot.title, texts.data(), tags.data(), (int)texts.size(), Hex(shot.border),
            Hex(shot.accent), Hex(shot.fill));
        hide(id);
        PumpFor(100);
        // The area around the balloon, first without it (for the translucency preview).
        Canvas before(600, 320);
        CaptureScreen(before, 20, 30);
        show(id, cursorX, cursorY);
        PumpFor(250);
        Canvas after(600, 320);
        CaptureScreen(after, 20, 30);
        if (GetPixel(after.dc, 25, 20) != Hex(shot.border)) {
            std::fprintf(stderr, "%s: the captured balloon has no border at its corner\n",
                         shot.file);
            ++failures;
        }
        if (!after.Save(folder + "\\" + shot.file + ".bmp")) {
            std::fprintf(stderr, "%s: cannot write\n", shot.file);
            ++failures;
        }
        if (std::string(shot.file) == "balloon_danger") {
            // What opacity 100 of 255 would show: the balloon blended over the page.
            for (int y = 0; y < after.height; ++y) {
                for (int x = 0; x < after.width; ++x) {
                    COLORREF a = GetPixel(after.dc, x, y), b = GetPixel(before.dc, x, y);
                    if (a == b) {
                        continue;
                    }
                    auto blend = [](int fg, int bg) { return bg + (fg - bg) * 100 / 255; };
                    SetPixel(after.dc, x, y,
                             RGB(blend(GetRValue(a), GetRValue(b)),
                                 blend(GetGValue(a), GetGValue(b)),
                                 blend(GetBValue(a), GetBValue(b))));
                }
            }
            after.Save(folder + "\\balloon_danger_opacity100_preview.bmp");
        }
    }
    hide(id);
    cleanup(id);
    DestroyWindow(backdrop);
    FreeLibrary(tooltip);
    return failures;
}

// ------------------------------------------------------------------------------------------------

struct SheetEntry {
    int id;
    const char* what;
    bool masked;
};

const SheetEntry kSheet[] = {
    {4015, "lamp strip (0-3 신뢰, 4-7 양호, 8-9 주의, 10-11 위험, 12 지연, 13 빈, 14-31 로딩)", true},
    {4011, "ticker icons (0-6 인증 등급, 7 인증 마크)", true},
    {4016, "site marks", true},
    {4017, "logo", true},
    {4018, "grip halves", true},
    {4019, "function buttons 0-4 and grip", true},
    {4020, "settings pages", true},
    {3001, "close box Light normal", true}, {3005, "hover", true}, {3003, "pressed", true},
    {3002, "close box Standard normal", true}, {3006, "hover", true}, {3004, "pressed", true},
    {3065, "upgrade Light normal", true}, {3063, "hover", true}, {3061, "pressed", true},
    {3066, "upgrade Standard normal", true}, {3064, "hover", true}, {3062, "pressed", true},
    {3055, "close (offered) Light", true}, {3053, "hover", true}, {3051, "pressed", true},
    {3056, "close (offered) Standard", true}, {3054, "hover", true}, {3052, "pressed", true},
    {3035, "close (current) Light", true}, {3033, "hover", true}, {3031, "pressed", true},
    {3036, "close (current) Standard", true}, {3034, "hover", true}, {3032, "pressed", true},
    {3011, "how-to Light", true}, {3015, "hover", true}, {3013, "pressed", true},
    {3012, "how-to Standard", true}, {3016, "hover", true}, {3014, "pressed", true},
    {3041, "close (info, frame) Light", true}, {3043, "hover", true}, {3045, "pressed", true},
    {3042, "close (info, frame) Standard", true}, {3046, "hover", true}, {3044, "pressed", true},
    {4023, "program information, Light, with its button", false}, {4022, "program information, Standard, with its button", false},
    {4025, "upgrade, Light, with its buttons", false}, {4024, "upgrade, Standard, with its buttons", false},
    {4026, "update reminder, Light, with its buttons", false}, {4027, "update reminder, Standard, with its buttons", false},
    {5001, "blocked frame, Light, with its button", false}, {5002, "blocked frame, Standard, with its button", false},
};

// Buttons drawn over the backgrounds at the client rectangles the dialogs create them in.
struct Overlay {
    int background, button, x, y;
};

const Overlay kOverlays[] = {
    {4023, 3041, 270, 182}, {4022, 3042, 270, 182},                           // information
    {4025, 3065, 374, 292}, {4025, 3055, 456, 292},                           // upgrade
    {4024, 3066, 374, 292}, {4024, 3056, 456, 292},
    {4026, 3001, 461, 10},  {4026, 3011, 398, 172},                           // reminder
    {4027, 3002, 461, 10},  {4027, 3012, 398, 172},
    {5001, 3041, 398, 172}, {5002, 3042, 398, 172},                           // blocked frame
};

void DrawOverlays(HMODULE res, HDC sheet, HDC source, int background, int left, int top)
{
    for (const Overlay& o : kOverlays) {
        if (o.background != background) {
            continue;
        }
        HBITMAP button = LoadBitmapA(res, MAKEINTRESOURCEA(o.button));
        BITMAP info = {};
        if (button == nullptr || !GetObjectA(button, sizeof(info), &info)) {
            continue;
        }
        HGDIOBJ old = SelectObject(source, button);
        TransparentBlt(sheet, left + o.x, top + o.y, info.bmWidth, info.bmHeight, source, 0, 0,
                       info.bmWidth, info.bmHeight, RGB(0xFE, 0xFE, 0xFE));
        SelectObject(source, old);
        DeleteObject(button);
    }
}

int ContactSheet(const std::string& folder)
{
    HMODULE res = LoadLibraryA("PyxRes.dll");
    if (res == nullptr) {
        std::fprintf(stderr, "PyxRes.dll not found\n");
        return 1;
    }
    const int sheetWidth = 1240, margin = 10, labelHeight = 16;
    struct Placed {
        HBITMAP bitmap;
        int x, y, w, h, scale;
        const SheetEntry* entry;
    };
    std::vector<Placed> placed;
    int x = margin, y = margin, rowHeight = 0, failures = 0;
    HDC measure = CreateCompatibleDC(nullptr);
    SelectObject(measure, GetStockObject(DEFAULT_GUI_FONT));
    for (const SheetEntry& e : kSheet) {
        HBITMAP bitmap = LoadBitmapA(res, MAKEINTRESOURCEA(e.id));
        BITMAP info = {};
        if (bitmap == nullptr || !GetObjectA(bitmap, sizeof(info), &info)) {
            std::fprintf(stderr, "bitmap %d missing\n", e.id);
            ++failures;
            continue;
        }
        // Small pictures enlarged (3x, or 2x for the wider strips) so their pixels can be judged.
        int room = sheetWidth - 2 * margin;
        int scale = 1;
        if (info.bmHeight <= 20) {
            scale = info.bmWidth <= 40 ? 3 : (info.bmWidth * 2 <= room ? 2 : 1);
        }
        char label[160];
        std::snprintf(label, sizeof(label), "%d  %dx%d  %s", e.id, (int)info.bmWidth,
                      (int)info.bmHeight, e.what);
        SIZE text = {};
        GetTextExtentPoint32A(measure, label, (int)std::strlen(label), &text);
        int w = info.bmWidth * scale, h = info.bmHeight * scale + labelHeight;
        int boxWidth = w > text.cx ? w : text.cx;
        if (x + boxWidth > sheetWidth - margin) {
            x = margin;
            y += rowHeight + margin;
            rowHeight = 0;
        }
        placed.push_back({bitmap, x, y, info.bmWidth, info.bmHeight, scale, &e});
        x += boxWidth + margin;
        if (h > rowHeight) {
            rowHeight = h;
        }
    }
    DeleteDC(measure);
    int sheetHeight = y + rowHeight + margin;
    Canvas sheet(sheetWidth, sheetHeight);
    RECT all = {0, 0, sheetWidth, sheetHeight};
    HBRUSH ground = CreateSolidBrush(RGB(0xC8, 0xCC, 0xD2));   // shows the transparent pixels
    FillRect(sheet.dc, &all, ground);
    DeleteObject(ground);
    HDC source = CreateCompatibleDC(sheet.dc);
    SetBkMode(sheet.dc, TRANSPARENT);
    SelectObject(sheet.dc, GetStockObject(DEFAULT_GUI_FONT));
    for (const Placed& p : placed) {
        char label[160];
        std::snprintf(label, sizeof(label), "%d  %dx%d  %s", p.entry->id, p.w, p.h,
                      p.entry->what);
        TextOutA(sheet.dc, p.x, p.y, label, (int)std::strlen(label));
        HGDIOBJ old = SelectObject(source, p.bitmap);
        if (p.entry->masked) {
            TransparentBlt(sheet.dc, p.x, p.y + labelHeight, p.w * p.scale, p.h * p.scale, source,
                           0, 0, p.w, p.h, RGB(0xFE, 0xFE, 0xFE));
        } else {
            BitBlt(sheet.dc, p.x, p.y + labelHeight, p.w, p.h, source, 0, 0, SRCCOPY);
        }
        SelectObject(source, old);
        if (!p.entry->masked) {
            DrawOverlays(res, sheet.dc, source, p.entry->id, p.x, p.y + labelHeight);
        }
        DeleteObject(p.bitmap);
    }
    DeleteDC(source);
    if (!sheet.Save(folder + "\\pyxres_contact_sheet.bmp")) {
        std::fprintf(stderr, "cannot write the contact sheet\n");
        ++failures;
    }
    FreeLibrary(res);
    return failures;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: balloon_shots OUTPUT_FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    int failures = ShootBalloons(folder);
    failures += ContactSheet(folder);
    return failures == 0 ? 0 : 1;
}
