// PyxRes.dll as the toolbar reads it: loaded by name, every picture taken by its numeric id.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

struct Picture {
    int id;
    int width, height;
    bool masked;   // drawn with #FEFEFE as the transparent colour
};

const Picture kPictures[] = {
    {4011, 8 * 16, 16, true},   // ticker icons: certification classes 0-6, mark 7
    {4015, 32 * 19, 19, true},  // lamp strip
    {4016, 8 * 20, 16, true},   // site marks
    {4017, 35, 16, true},       // logo
    {4018, 2 * 5, 16, true},    // grip halves
    {4019, 6 * 16, 16, true},   // function buttons and the grip item
    {4020, 4 * 20, 20, true},   // settings pages
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

// Counts pixels of #FEFEFE in a loaded bitmap.
int CountKeyPixels(HBITMAP bitmap, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    int n = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (GetPixel(memory, x, y) == RGB(0xFE, 0xFE, 0xFE)) {
                ++n;
            }
        }
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return n;
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
    int keys = CountKeyPixels(bitmap, info.bmWidth, info.bmHeight);
    if (p.masked) {
        EXPECT_GT(keys, 0) << p.id << " has no transparent pixel";
        EXPECT_LT(keys, info.bmWidth * info.bmHeight) << p.id << " is empty";
    } else {
        EXPECT_EQ(0, keys) << p.id << " is a background and must be opaque";
    }
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(AllPictures, PyxResTest, ::testing::ValuesIn(kPictures),
                         [](const ::testing::TestParamInfo<Picture>& info) {
                             return "Bitmap" + std::to_string(info.param.id);
                         });

} // namespace
