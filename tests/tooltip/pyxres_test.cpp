// PyxRes.dll as the toolbar reads it: loaded by name, every picture taken by its numeric id.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct Picture {
    int id;
    int width, height;
    bool masked;     // drawn with #FEFEFE as the transparent colour
    int frameWidth;  // strips: width of one picture, each of which must show something
};

const Picture kPictures[] = {
    {4011, 8 * 16, 16, true, 16},   // ticker icons: certification classes 0-6, mark 7
    {4015, 32 * 19, 19, true, 19},  // lamp strip
    {4016, 8 * 20, 16, true, 20},   // site marks
    {4017, 35, 16, true},       // logo
    {4018, 2 * 5, 16, true, 5},    // grip halves
    {4019, 6 * 16, 16, true, 16},   // function buttons and the grip item
    {4020, 4 * 20, 20, true, 20},   // settings pages
    {4022, 357, 212, false},    // program information backgrounds
    {4023, 357, 212, false},
    {4024, 545, 324, false},    // upgrade dialog backgrounds
    {4025, 545, 324, false},
    {4026, 485, 200, false},    // update reminder backgrounds
    {4027, 485, 200, false},
    {5001, 485, 200, false},    // blocked frame notice backgrounds
    {5002, 485, 200, false},
    // Three-state buttons: close boxes 14 x 13, all others 77 x 20.
    {3001, 14, 13, true}, {3002, 14, 13, true}, {3003, 14, 13, true},
    {3004, 14, 13, true}, {3005, 14, 13, true}, {3006, 14, 13, true},
    {3011, 77, 20, true}, {3012, 77, 20, true}, {3013, 77, 20, true},
    {3014, 77, 20, true}, {3015, 77, 20, true}, {3016, 77, 20, true},
    {3031, 77, 20, true}, {3032, 77, 20, true}, {3033, 77, 20, true},
    {3034, 77, 20, true}, {3035, 77, 20, true}, {3036, 77, 20, true},
    {3041, 77, 20, true}, {3042, 77, 20, true}, {3043, 77, 20, true},
    {3044, 77, 20, true}, {3045, 77, 20, true}, {3046, 77, 20, true},
    {3051, 77, 20, true}, {3052, 77, 20, true}, {3053, 77, 20, true},
    {3054, 77, 20, true}, {3055, 77, 20, true}, {3056, 77, 20, true},
    {3061, 77, 20, true}, {3062, 77, 20, true}, {3063, 77, 20, true},
    {3064, 77, 20, true}, {3065, 77, 20, true}, {3066, 77, 20, true},
};

class PyxResTest : public ::testing::TestWithParam<Picture> {
protected:
    static void SetUpTestSuite() { module = LoadLibraryA("PyxRes.dll"); }
    static void TearDownTestSuite()
    {
        if (module != nullptr) {
            FreeLibrary(module);
            module = nullptr;
        }
    }
    static HMODULE module;
};

HMODULE PyxResTest::module = nullptr;

// The pixels of a loaded bitmap, row by row from the top, as COLORREF values.
std::vector<COLORREF> ReadPixels(HBITMAP bitmap, int width, int height)
{
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(GetPixel(memory, x, y));
        }
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

const COLORREF kKey = RGB(0xFE, 0xFE, 0xFE);

// The pixels of picture `index` of a strip.
std::vector<COLORREF> Frame(const std::vector<COLORREF>& pixels, int stripWidth, int height,
                            int frameWidth, int index)
{
    std::vector<COLORREF> frame;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < frameWidth; ++x) {
            frame.push_back(pixels[(size_t)y * stripWidth + index * frameWidth + x]);
        }
    }
    return frame;
}

TEST_P(PyxResTest, LoadsByIdAtItsSize)
{
    const Picture& p = GetParam();
    ASSERT_NE(nullptr, module) << "PyxRes.dll not found next to the test";
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(p.id));
    ASSERT_NE(nullptr, bitmap) << p.id;
    BITMAP info = {};
    ASSERT_NE(0, GetObjectA(bitmap, sizeof(info), &info));
    EXPECT_EQ(p.width, info.bmWidth) << p.id;
    EXPECT_EQ(p.height, info.bmHeight) << p.id;
    std::vector<COLORREF> pixels = ReadPixels(bitmap, info.bmWidth, info.bmHeight);
    int keys = (int)std::count(pixels.begin(), pixels.end(), kKey);
    if (p.masked) {
        EXPECT_GT(keys, 0) << p.id << " has no transparent pixel";
        EXPECT_LT(keys, info.bmWidth * info.bmHeight) << p.id << " is empty";
    } else {
        EXPECT_EQ(0, keys) << p.id << " is a background and must be opaque";
    }
    for (int i = 0; p.frameWidth > 0 && i < info.bmWidth / p.frameWidth; ++i) {
        std::vector<COLORREF> frame =
            Frame(pixels, info.bmWidth, info.bmHeight, p.frameWidth, i);
        EXPECT_LT(std::count(frame.begin(), frame.end(), kKey), (long)frame.size())
            << p.id << " picture " << i << " is empty";
    }
    DeleteObject(bitmap);
}

// Every animation of the lamp changes the picture from one frame to the next.
TEST(PyxResLamp, FramesOfEachAnimationDiffer)
{
    HMODULE module = LoadLibraryA("PyxRes.dll");
    ASSERT_NE(nullptr, module);
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(4015));
    ASSERT_NE(nullptr, bitmap);
    std::vector<COLORREF> pixels = ReadPixels(bitmap, 32 * 19, 19);
    struct Range {
        const char* state;
        int first, last;
    };
    const Range ranges[] = {{"trusted", 0, 3}, {"good", 4, 7},      {"caution", 8, 9},
                            {"danger", 10, 11}, {"loading", 14, 31}, {"blank", 4, 13}};
    for (const Range& r : ranges) {
        for (int i = r.first; i < r.last; ++i) {
            EXPECT_NE(Frame(pixels, 32 * 19, 19, 19, i), Frame(pixels, 32 * 19, 19, 19, i + 1))
                << r.state << ": frames " << i << " and " << i + 1 << " are the same";
        }
    }
    DeleteObject(bitmap);
    FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(AllPictures, PyxResTest, ::testing::ValuesIn(kPictures),
                         [](const ::testing::TestParamInfo<Picture>& info) {
                             return "Bitmap" + std::to_string(info.param.id);
                         });

} // namespace
