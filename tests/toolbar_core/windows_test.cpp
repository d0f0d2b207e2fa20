// The per-window subkeys and the notice-change broadcast between toolbar windows.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings_root.h"
#include "store_fixture.h"
#include "toolbar_windows.h"

namespace {

const char* const kEnv = "Software\\Orvx\\PyxToolBar\\Environment";

struct Received
{
    WPARAM sender;
    LPARAM delay;
    int count;
};
std::map<HWND, Received> gReceived;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kNoticeChangeMessage) {
        Received& r = gReceived[window];
        r.sender = wParam;
        r.delay = lParam;
        ++r.count;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LumoraToolbarCoreTestWindow";
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, "LumoraToolbarCoreTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

std::string KeyName(HWND window)
{
    char name[32];
    std::snprintf(name, sizeof(name), "%ld", static_cast<long>(reinterpret_cast<LONG_PTR>(window)));
    return name;
}

std::string WindowKey(const std::string& name)
{
    return std::string(kEnv) + "\\" + name;
}

std::vector<std::string> SubkeysInOrder()
{
    std::vector<std::string> names;
    SettingsRootKey root;
    HKEY env = nullptr;
    if (RegOpenKeyExA(root.Get(), kEnv, 0, KEY_READ, &env) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(env, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    RegCloseKey(env);
    return names;
}

class ToolbarWindowsTest : public StoreTest
{
protected:
    void TearDown() override
    {
        for (HWND w : windows)
            DestroyWindow(w);
        gReceived.clear();
        StoreTest::TearDown();
    }
    HWND Add()
    {
        HWND w = MakeWindow();
        EXPECT_NE(nullptr, w) << "no display: run under tools/with-display.sh";
        windows.push_back(w);
        return w;
    }
    std::vector<HWND> windows;
};

} // namespace

TEST_F(ToolbarWindowsTest, RegisterAndUnregisterOwnSubkey)
{
    HWND w = Add();
    ASSERT_TRUE(RegisterToolbarWindow(w));
    EXPECT_TRUE(KeyExists(WindowKey(KeyName(w)).c_str()));
    EXPECT_TRUE(UnregisterToolbarWindow(w));
    EXPECT_FALSE(KeyExists(WindowKey(KeyName(w)).c_str()));
    EXPECT_FALSE(UnregisterToolbarWindow(w)) << "already gone";
}

TEST_F(ToolbarWindowsTest, PurgeRemovesOnlyDeadWindows)
{
    HWND live = Add();
    HWND dead = MakeWindow();
    ASSERT_NE(nullptr, dead);
    ASSERT_TRUE(RegisterToolbarWindow(live));
    ASSERT_TRUE(RegisterToolbarWindow(dead));
    DestroyWindow(dead);
    PutDword(WindowKey("not-a-window").c_str(), "Placeholder", 0);
    HKEY k = nullptr;
    SettingsRootKey root;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(root.Get(), WindowKey("123456789").c_str(), &k));
    RegCloseKey(k);

    PurgeDeadToolbarWindows();
    EXPECT_TRUE(KeyExists(WindowKey(KeyName(live)).c_str()));
    EXPECT_FALSE(KeyExists(WindowKey(KeyName(dead)).c_str()));
    EXPECT_FALSE(KeyExists(WindowKey("123456789").c_str()));
    EXPECT_TRUE(KeyExists(WindowKey("not-a-window").c_str())) << "window 0 stays";
}

TEST_F(ToolbarWindowsTest, BroadcastGivesGrowingDelaysInEnumerationOrder)
{
    for (bool withOddSubkey : {false, true}) {
        SCOPED_TRACE(withOddSubkey ? "with a subkey that is not a number" : "three windows");
        DeleteToolbarKeys();
        for (HWND w : windows)
            DestroyWindow(w);
        windows.clear();
        gReceived.clear();

        HWND own = Add();
        std::map<std::string, HWND> byName;
        for (int i = 0; i < 3; ++i) {
            HWND w = Add();
            byName[KeyName(w)] = w;
        }
        for (HWND w : windows)
            ASSERT_TRUE(RegisterToolbarWindow(w));
        if (withOddSubkey)
            PutDword(WindowKey("abc").c_str(), "Placeholder", 0);

        EXPECT_EQ(3, BroadcastNoticeChange(own));

        EXPECT_EQ(0u, gReceived.count(own)) << "never to itself";
        LPARAM expectedDelay = 5000;
        std::vector<LPARAM> delays;
        for (const std::string& name : SubkeysInOrder()) {
            if (name == KeyName(own))
                continue;
            auto it = byName.find(name);
            if (it != byName.end()) {
                const Received& r = gReceived[it->second];
                EXPECT_EQ(1, r.count) << name;
                EXPECT_EQ(reinterpret_cast<WPARAM>(own), r.sender) << name;
                EXPECT_EQ(expectedDelay, r.delay) << name;
                delays.push_back(r.delay);
            }
            expectedDelay += 5000;
        }
        ASSERT_EQ(3u, delays.size());
        if (!withOddSubkey) {
            EXPECT_EQ((std::vector<LPARAM>{5000, 10000, 15000}), delays);
        }
    }
}
