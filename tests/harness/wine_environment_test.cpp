// The Wine prefix, locale and display that the Windows tests run in.
#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

TEST(WineEnvironment, AnsiCodePageIsKorean)
{
    EXPECT_EQ(949u, GetACP());
}

TEST(WineEnvironment, NarrowLiteralsAreCp949)
{
    const char text[] = "루모라";
    const unsigned char expected[] = {0xB7, 0xE7, 0xB8, 0xF0, 0xB6, 0xF3, 0x00};
    ASSERT_EQ(sizeof(expected), sizeof(text));
    EXPECT_EQ(0, std::memcmp(expected, text, sizeof(expected)));
}

TEST(WineEnvironment, HostRootIsNotMapped)
{
    DWORD drives = GetLogicalDrives();
    EXPECT_NE(0u, drives & (1u << ('C' - 'A')));
    EXPECT_EQ(0u, drives & (1u << ('Z' - 'A'))) << "the host's / must not be reachable as Z:";
}

TEST(WineEnvironment, WindowsCanBeCreated)
{
    HWND hwnd = CreateWindowExA(0, "STATIC", "test", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, hwnd) << "no display: run the tests under tools/with-display.sh";
    DestroyWindow(hwnd);
}
