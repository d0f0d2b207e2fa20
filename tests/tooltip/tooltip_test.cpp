// PyxToolTip.dll as the toolbar uses it: loaded by name, the five exports bound with
// GetProcAddress, balloons sized, placed and painted on this thread's display.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bind_export.h"
#include "pyx_tooltip_api.h"

namespace {

const COLORREF kBorder = RGB(0x5F, 0x90, 0xBD);
const COLORREF kSecond = RGB(0xD0, 0x30, 0x90);      // distinct, to find the panel's outline
const COLORREF kBackground = RGB(0xE1, 0xEE, 0xFC);
const COLORREF kSeparator = 0xB4B4B4;
const COLORREF kRowText = 0x646464;
const COLORREF kLaterRowText = 0xC87123;
const COLORREF kTitleText = 0x626262;

// Client layout of a balloon: panel left 5, panel top 31, row i's text at (53, 44 + 20 i).
const int kPanelLeft = 5;
const int kPanelTop = 31;
int RowTop(int i) { return kPanelTop + 13 + 20 * i; }

struct Balloons {
    HMODULE module = nullptr;
    InitToolTipFn init = nullptr;
    SetSiteInfoFn set = nullptr;
    ShowSiteInfoFn show = nullptr;
    HideSiteInfoFn hide = nullptr;
    CleanupFn cleanup = nullptr;
};

struct FindState {
    int left, top;
    HWND found;
};

BOOL CALLBACK MatchBalloon(HWND hwnd, LPARAM param)
{
    FindState* state = reinterpret_cast<FindState*>(param);
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    RECT r;
    if (std::string(name) == PYX_TOOLTIP_WINDOW_CLASS && GetWindowRect(hwnd, &r) &&
        r.left == state->left && r.top == state->top) {
        state->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

int CountBalloonWindows()
{
    struct Counter {
        static BOOL CALLBACK Count(HWND hwnd, LPARAM param)
        {
            char name[64] = {};
            GetClassNameA(hwnd, name, sizeof(name));
            if (std::string(name) == PYX_TOOLTIP_WINDOW_CLASS) {
                ++*reinterpret_cast<int*>(param);
            }
            return TRUE;
        }
    };
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), Counter::Count, reinterpret_cast<LPARAM>(&count));
    return count;
}

// The balloon window whose top-left corner is at (left, top) on the screen.
HWND BalloonAt(int left, int top)
{
    FindState state = {left, top, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchBalloon, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

SIZE WindowSize(HWND hwnd)
{
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Width of `text` in the balloon's row font, measured the same way the library does.
class RowFont {
public:
    RowFont()
    {
        screen = GetDC(nullptr);
        font = CreateFontA(-MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                           FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           "돋움");
        old = SelectObject(screen, font);
    }
    ~RowFont()
    {
        SelectObject(screen, old);
        DeleteObject(font);
        ReleaseDC(nullptr, screen);
    }
    int Width(const std::string& text) const
    {
        SIZE size = {};
        GetTextExtentPoint32A(screen, text.c_str(), (int)text.size(), &size);
        return size.cx;
    }
    // A text of exactly `width` pixels made of two repeated characters, or "" if none fits.
    std::string TextOfWidth(int width) const
    {
        const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ. ";
        for (const char* a = letters; *a; ++a) {
            for (const char* b = letters; *b; ++b) {
                int wa = Width(std::string(1, *a));
                int wb = Width(std::string(1, *b));
                if (wa <= 0 || wb <= 0) {
                    continue;
                }
                for (int n = 1; n * wa <= width; ++n) {
                    if ((width - n * wa) % wb != 0) {
                        continue;
                    }
                    std::string text(n, *a);
                    text += std::string((width - n * wa) / wb, *b);
                    if (Width(text) == width) {
                        return text;
                    }
                }
            }
        }
        return "";
    }

private:
    HDC screen = nullptr;
    HFONT font = nullptr;
    HGDIOBJ old = nullptr;
};

int ColourDistance(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
           std::abs(GetBValue(a) - GetBValue(b));
}

// Client pixels of a shown balloon, painted through WM_PRINTCLIENT into a memory bitmap so the
// check does not depend on what the display keeps.
class Snapshot {
public:
    explicit Snapshot(HWND hwnd)
    {
        RECT r;
        GetClientRect(hwnd, &r);
        width = r.right;
        height = r.bottom;
        HDC screen = GetDC(nullptr);
        memory = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width > 0 ? width : 1, height > 0 ? height : 1);
        ReleaseDC(nullptr, screen);
        old = SelectObject(memory, bitmap);
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    }
    ~Snapshot()
    {
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    COLORREF At(int x, int y) const { return GetPixel(memory, x, y); }
    // Pixels of the rectangle within `tolerance` of `colour`.
    int Count(int x0, int y0, int x1, int y1, COLORREF colour, int tolerance = 0) const
    {
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                if (ColourDistance(At(x, y), colour) <= tolerance) {
                    ++n;
                }
            }
        }
        return n;
    }
    int width = 0, height = 0;

private:
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
};

class ToolTipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A fresh load for every test: the id counter starts again at 0.
        lib.module = LoadLibraryA("PyxToolTip.dll");
        ASSERT_NE(nullptr, lib.module) << "PyxToolTip.dll not found next to the test";
        lib.init = BindExport<InitToolTipFn>(lib.module, "InitToolTip");
        lib.set = BindExport<SetSiteInfoFn>(lib.module, "SetSiteInfo");
        lib.show = BindExport<ShowSiteInfoFn>(lib.module, "ShowSiteInfo");
        lib.hide = BindExport<HideSiteInfoFn>(lib.module, "HideSiteInfo");
        lib.cleanup = BindExport<CleanupFn>(lib.module, "Cleanup");
        ASSERT_TRUE(lib.init && lib.set && lib.show && lib.hide && lib.cleanup)
            << "an export is missing or decorated";
    }
    void TearDown() override
    {
        if (lib.module != nullptr) {
            FreeLibrary(lib.module);
            EXPECT_EQ(nullptr, GetModuleHandleA("PyxToolTip.dll"));
        }
        EXPECT_EQ(0, CountBalloonWindows()) << "unloading left balloon windows behind";
    }

    void Set(int id, const char* title, const std::vector<std::string>& rows,
             const std::vector<int>& pictures)
    {
        // Arrays are always given (an empty vector's data() may be null, which means "missing").
        std::vector<const char*> pointers;
        for (const std::string& row : rows) {
            pointers.push_back(row.c_str());
        }
        const char* noRow = "";
        int noPicture = -1;
        lib.set(id, title, rows.empty() ? &noRow : pointers.data(),
                pictures.empty() ? &noPicture : pictures.data(), (int)rows.size(), kBorder, kSecond,
                kBackground);
    }
    // Shows balloon `id` for the cursor at (x, y) and returns its window.
    HWND ShowAt(int id, int x, int y)
    {
        lib.show(id, x, y);
        Pump();
        return BalloonAt(x + 5, y + 10);
    }

    Balloons lib;
};

TEST_F(ToolTipTest, IdsCountFromZeroAndAreNotReused)
{
    EXPECT_EQ(0, lib.init(0));
    EXPECT_EQ(1, lib.init(1234));
    lib.cleanup(0);
    EXPECT_EQ(2, lib.init(0));
    EXPECT_EQ(2, CountBalloonWindows());
    lib.cleanup(1);
    lib.cleanup(2);
    EXPECT_EQ(0, CountBalloonWindows());
}

TEST_F(ToolTipTest, NewBalloonIsHiddenAndEmpty)
{
    int id = lib.init(0);
    ASSERT_EQ(0, id);
    HWND created = BalloonAt(0, 0);
    ASSERT_NE(nullptr, created);
    EXPECT_FALSE(IsWindowVisible(created));
    HWND hwnd = ShowAt(id, 40, 40);
    ASSERT_EQ(created, hwnd);
    SIZE size = WindowSize(hwnd);
    EXPECT_EQ(0, size.cx);
    EXPECT_EQ(0, size.cy);
    LONG exStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
    EXPECT_NE(0, exStyle & WS_EX_TOOLWINDOW);
    EXPECT_NE(0, exStyle & WS_EX_TOPMOST);
    EXPECT_EQ(nullptr, GetParent(hwnd));
    lib.cleanup(id);
}

TEST_F(ToolTipTest, SizeFollowsWidestTextAndRowCount)
{
    RowFont font;
    std::string w200 = font.TextOfWidth(200);
    ASSERT_FALSE(w200.empty()) << "no text of exactly 200 pixels in this font";
    std::string w90 = font.TextOfWidth(90);   // 90 + 10 + 60 = 160: just above the minimum
    ASSERT_FALSE(w90.empty());
    std::string w80 = font.TextOfWidth(80);   // 80 + 10 + 60 = 150: exactly the minimum
    ASSERT_FALSE(w80.empty());
    std::string longText(300, 'W');

    struct Case {
        const char* name;
        std::string title;
        std::vector<std::string> rows;
        int width, height;
    };
    std::vector<Case> cases = {
        {"two rows, widest 200", "x", {"a", w200}, 270, 90},
        {"short rows give the minimum", "x", {"a", "b", "c"}, 150, 110},
        {"widest exactly at the minimum", "", {w80}, 150, 70},
        {"just above the minimum", "", {w90}, 160, 70},
        {"the title counts, in the row font", w200, {"a"}, 270, 70},
        {"no rows", "x", {}, 150, 50},
        {"rows beyond ten are ignored",
         "x",
         {"1", "2", "3", "4", "5", "@", "7", "8", "9", "10", longText, longText},
         150,
         250},
    };
    int id = lib.init(0);
    ASSERT_EQ(0, id);
    for (const Case& c : cases) {
        std::vector<int> pictures(c.rows.size(), 1);
        Set(id, c.title.c_str(), c.rows, pictures);
        HWND hwnd = ShowAt(id, 60, 60);
        ASSERT_NE(nullptr, hwnd) << c.name;
        SIZE size = WindowSize(hwnd);
        EXPECT_EQ(c.width, size.cx) << c.name;
        EXPECT_EQ(c.height, size.cy) << c.name;
    }
    lib.cleanup(id);
}

TEST_F(ToolTipTest, NegativeCountShowsNoRows)
{
    int id = lib.init(0);
    const char* rows[] = {"a"};
    int pictures[] = {1};
    lib.set(id, "x", rows, pictures, -3, kBorder, kSecond, kBackground);
    HWND hwnd = ShowAt(id, 60, 60);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(150, WindowSize(hwnd).cx);
    EXPECT_EQ(50, WindowSize(hwnd).cy);
    lib.cleanup(id);
}

TEST_F(ToolTipTest, MissingTitleRowsOrPicturesCollapseTheBalloon)
{
    const char* rows[] = {"a", "b"};
    int pictures[] = {0, 1};
    struct Case {
        const char* name;
        const char* title;
        const char* const* rows;
        const int* pictures;
    };
    const Case cases[] = {
        {"no title", nullptr, rows, pictures},
        {"no rows", "title", nullptr, pictures},
        {"no pictures", "title", rows, nullptr},
    };
    int id = lib.init(0);
    for (const Case& c : cases) {
        lib.set(id, "title", rows, pictures, 2, kBorder, kSecond, kBackground);
        lib.set(id, c.title, c.rows, c.pictures, 2, kBorder, kSecond, kBackground);
        HWND hwnd = ShowAt(id, 80, 80);
        ASSERT_NE(nullptr, hwnd) << c.name;
        EXPECT_TRUE(IsWindowVisible(hwnd)) << c.name;
        SIZE size = WindowSize(hwnd);
        EXPECT_EQ(0, size.cx) << c.name;
        EXPECT_EQ(0, size.cy) << c.name;
    }
    lib.cleanup(id);
}

TEST_F(ToolTipTest, ShowPlacesBesideTheCursorAndHideHides)
{
    int id = lib.init(0);
    Set(id, "제목", {"가나다"}, {1});
    HWND hwnd = ShowAt(id, 300, 200);
    ASSERT_NE(nullptr, hwnd) << "not at (x + 5, y + 10)";
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_NE(GetForegroundWindow(), hwnd) << "showing must not activate the balloon";
    EXPECT_EQ(hwnd, ShowAt(id, 10, 20)) << "one window per balloon, moved";
    lib.hide(id);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    lib.cleanup(id);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(ToolTipTest, InvalidIdsAreIgnoredByEveryExport)
{
    int id = lib.init(0);
    ASSERT_EQ(0, id);
    Set(id, "제목", {"가나다", "라마바"}, {0, 1});
    HWND hwnd = ShowAt(id, 100, 100);
    ASSERT_NE(nullptr, hwnd);
    SIZE before = WindowSize(hwnd);

    for (int bad : {-1, 1, 7, 1000000}) {
        lib.set(bad, nullptr, nullptr, nullptr, 0, 0, 0, 0);
        lib.show(bad, 400, 400);
        lib.hide(bad);
        lib.cleanup(bad);
        Pump();
        SIZE after = WindowSize(hwnd);
        EXPECT_EQ(before.cx, after.cx) << bad;
        EXPECT_EQ(before.cy, after.cy) << bad;
        EXPECT_TRUE(IsWindowVisible(hwnd)) << bad;
        EXPECT_EQ(hwnd, BalloonAt(105, 110)) << bad;
        EXPECT_EQ(1, CountBalloonWindows()) << bad;
    }
    lib.cleanup(id);
    // A cleaned-up id is unknown from then on.
    lib.show(id, 100, 100);
    lib.hide(id);
    lib.cleanup(id);
    EXPECT_EQ(0, CountBalloonWindows());
}

TEST_F(ToolTipTest, PaintsFrameTitleRowsSeparatorAndBadges)
{
    int id = lib.init(0);
    // Rows 0-4 with the five badges, the separator, then four rows of which one has no badge.
    std::vector<std::string> rows = {"가나다라", "가나다라", "가나다라", "가나다라", "가나다라",
                                     "@",        "가나다라", "가나다라", "가나다라", "가나다라"};
    std::vector<int> pictures = {0, 1, 2, 3, 4, 4, -1, 5, 1, 1};
    Set(id, "현재 사이트 보안수준", rows, pictures);
    HWND hwnd = ShowAt(id, 120, 120);
    ASSERT_NE(nullptr, hwnd);
    Snapshot shot(hwnd);
    ASSERT_EQ(250, shot.height);
    int right = shot.width - 5;   // panel right edge (exclusive)

    // Outline, background, panel outline in the second colour, white inside.
    EXPECT_EQ(kBorder, shot.At(0, 0));
    EXPECT_EQ(kBorder, shot.At(shot.width - 1, shot.height - 1));
    EXPECT_EQ(kBackground, shot.At(2, 2));
    EXPECT_EQ(kBackground, shot.At(shot.width / 2, kPanelTop - 1));
    EXPECT_EQ(kSecond, shot.At(shot.width / 2, kPanelTop));
    EXPECT_EQ(kSecond, shot.At(kPanelLeft, shot.height / 2));
    EXPECT_EQ(RGB(255, 255, 255), shot.At(shot.width / 2, kPanelTop + 5));

    // Title in its grey, inside the band above the panel.
    EXPECT_GT(shot.Count(10, 12, shot.width - 10, 30, kTitleText, 30), 10);

    // The separator: a dotted line at the row's text top + 7, nothing on the lines beside it.
    int lineY = RowTop(5) + 7;
    int dots = shot.Count(kPanelLeft, lineY, right - 1, lineY + 1, kSeparator);
    int span = right - 1 - kPanelLeft;
    EXPECT_GT(dots, span / 4) << "dotted line missing at y " << lineY;
    EXPECT_LT(dots, span) << "the line is not dotted";
    EXPECT_EQ(0, shot.Count(kPanelLeft + 1, lineY - 1, right - 2, lineY, kSeparator));
    EXPECT_EQ(0, shot.Count(kPanelLeft + 1, lineY + 1, right - 2, lineY + 2, kSeparator));
    // The separator row draws no badge even though it has a picture index.
    EXPECT_EQ(0, shot.Count(16, 42 + 100, 45, 56 + 100, RGB(0x8E, 0x8E, 0x8E), 40));

    // Rows before the separator in grey, rows from index 6 on in blue.
    for (int i : {0, 4}) {
        EXPECT_GT(shot.Count(53, RowTop(i), right, RowTop(i) + 14, kRowText, 30), 5) << i;
        EXPECT_EQ(0, shot.Count(53, RowTop(i), right, RowTop(i) + 14, kLaterRowText, 30)) << i;
    }
    for (int i : {6, 9}) {
        EXPECT_GT(shot.Count(53, RowTop(i), right, RowTop(i) + 14, kLaterRowText, 30), 5) << i;
        EXPECT_EQ(0, shot.Count(53, RowTop(i), right, RowTop(i) + 14, kRowText, 30)) << i;
    }

    // Badges at (16, 42 + 20 i) in their colours; indexes outside 0-4 draw nothing.
    const COLORREF badge[] = {RGB(0x6E, 0x9F, 0x2C), RGB(0x3F, 0x7F, 0xC4), RGB(0xDB, 0x74, 0x0A),
                              RGB(0xD8, 0x32, 0x2C), RGB(0x8E, 0x8E, 0x8E)};
    for (int i = 0; i < 5; ++i) {
        int top = 42 + 20 * i;
        EXPECT_GT(shot.Count(16, top, 45, top + 14, badge[i], 40), 60) << "badge " << i;
        EXPECT_EQ(RGB(255, 255, 255), shot.At(16, top)) << "transparent corner of badge " << i;
    }
    for (int i : {6, 7}) {
        int top = 42 + 20 * i;
        EXPECT_EQ(29 * 14, shot.Count(16, top, 45, top + 14, RGB(255, 255, 255))) << i;
    }
    lib.cleanup(id);
}

TEST_F(ToolTipTest, UnloadingReleasesRemainingBalloons)
{
    lib.init(0);
    lib.init(0);
    EXPECT_EQ(2, CountBalloonWindows());
    // TearDown unloads the library and checks that no balloon window is left.
}

TEST_F(ToolTipTest, VersionResourceNamesTheLibrary)
{
    char path[MAX_PATH];
    ASSERT_NE(0u, GetModuleFileNameA(lib.module, path, sizeof(path)));
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, data.data()));
    char* name = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\041204b0\\OriginalFilename",
                               reinterpret_cast<void**>(&name), &length));
    EXPECT_STREQ("PyxToolTip.dll", name);
}

} // namespace
