// The Server key: endpoint loading, server changes told to the service library, the web host.
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "own_module.h"
#include "server_endpoint.h"
#include "store_fixture.h"

namespace {

const char* const kServer = "Software\\Orvx\\PyxToolBar\\Server";
const std::string kBuiltinHost = LUMORA_BUILTIN_SERVER_HOST;
const int kBuiltinPort = LUMORA_BUILTIN_SERVER_PORT;
const std::string kBuiltinWebHost = LUMORA_BUILTIN_WEB_HOST;

typedef int(__cdecl* FakeSvcLastChangeProc)(char* host, int* port, int reset);

// The test's stand-in service library beside this program, kept loaded so that what it recorded
// survives the store's own load and release.
class EndpointTest : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        std::string path = OwnModuleDirectory() + "\\LumoraSvcDll.dll";
        fake = LoadLibraryA(path.c_str());
        ASSERT_NE(nullptr, fake) << path;
        lastChange = reinterpret_cast<FakeSvcLastChangeProc>(
            reinterpret_cast<void*>(GetProcAddress(fake, "FakeSvcLastChange")));
        ASSERT_NE(nullptr, lastChange);
        Told(nullptr, nullptr); // forget earlier calls
    }
    void TearDown() override
    {
        if (fake != nullptr)
            FreeLibrary(fake);
        StoreTest::TearDown();
    }
    // Number of LMChangeServerIpPort calls since the last look, and the last one's arguments.
    int Told(std::string* host, int* port)
    {
        char h[256];
        int p = 0;
        int calls = lastChange(h, &p, 1);
        if (host != nullptr)
            *host = h;
        if (port != nullptr)
            *port = p;
        return calls;
    }

    HMODULE fake = nullptr;
    FakeSvcLastChangeProc lastChange = nullptr;
};

void PutText(const char* key, const char* name, const std::string& text)
{
    PutRaw(key, name, REG_EXPAND_SZ, text.c_str(), static_cast<DWORD>(text.size()));
}

// A text stored as REG_EXPAND_SZ. (The store writes it without its NUL; Wine's registry adds one
// when it keeps an ANSI text, so one trailing NUL is accepted here.)
void ExpectText(const char* key, const char* name, const std::string& expected)
{
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(GetRaw(key, name, &type, &bytes)) << name;
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type) << name;
    if (!bytes.empty() && bytes.back() == '\0')
        bytes.pop_back();
    EXPECT_EQ(expected, bytes) << name;
}

} // namespace

TEST_F(EndpointTest, AnotherServerHostIsReplacedByTheBuiltInOneAndTheServiceIsTold)
{
    PutText(kServer, "SIP", "other.example.net");
    PutDword(kServer, "SPORT", 1234);
    ServerEndpoint endpoint;
    LoadServerEndpoint(&endpoint);

    EXPECT_EQ(kBuiltinHost, endpoint.host);
    EXPECT_EQ(kBuiltinPort, endpoint.port);
    std::string host;
    int port = 0;
    EXPECT_EQ(1, Told(&host, &port));
    EXPECT_EQ(kBuiltinHost, host);
    EXPECT_EQ(kBuiltinPort, port);
    ExpectText(kServer, "SIP", kBuiltinHost);
    ExpectText(kServer, "HOMEPAGE", kBuiltinWebHost);
    DWORD stored = 0;
    ASSERT_TRUE(GetDword(kServer, "SPORT", &stored));
    EXPECT_EQ(static_cast<DWORD>(kBuiltinPort), stored);
}

TEST_F(EndpointTest, LoadServerEndpointCases)
{
    std::string upper = kBuiltinHost;
    for (char& c : upper)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    const char* const absent = nullptr;
    const DWORD noPort = 0xFFFFFFFF;
    const struct
    {
        const char* label;
        bool hasKey;
        const char* sip;
        DWORD sport;
        std::string expectedHost;
        int expectedPort;
        int expectedTold;
    } cases[] = {
        {"no Server key", false, absent, noPort, kBuiltinHost, kBuiltinPort, 1},
        {"empty key", true, absent, noPort, kBuiltinHost, kBuiltinPort, 0},
        {"built-in host, port 8080", true, kBuiltinHost.c_str(), 8080, kBuiltinHost, 8080, 0},
        {"built-in host in capitals", true, upper.c_str(), 8080, upper, 8080, 0},
        {"SPORT 0 counts as absent", true, kBuiltinHost.c_str(), 0, kBuiltinHost, kBuiltinPort, 0},
        {"SPORT beyond 65535", true, kBuiltinHost.c_str(), 70000, kBuiltinHost, kBuiltinPort, 0},
        {"empty SIP", true, "", 8080, kBuiltinHost, 8080, 0},
        {"dotted address", true, "10.1.2.3", 8080, kBuiltinHost, kBuiltinPort, 1},
    };
    for (const auto& c : cases) {
        DeleteToolbarKeys();
        Told(nullptr, nullptr);
        if (c.hasKey)
            PutDword(kServer, "Placeholder", 0);
        if (c.sip != nullptr)
            PutText(kServer, "SIP", c.sip);
        if (c.sport != noPort)
            PutDword(kServer, "SPORT", c.sport);
        ServerEndpoint endpoint;
        LoadServerEndpoint(&endpoint);
        EXPECT_EQ(c.expectedHost, endpoint.host) << c.label;
        EXPECT_EQ(c.expectedPort, endpoint.port) << c.label;
        EXPECT_EQ(c.expectedTold, Told(nullptr, nullptr)) << c.label;
    }
}

TEST_F(EndpointTest, SetServerEndpointTellsAndStoresOnlyChanges)
{
    ServerEndpoint endpoint;
    SetServerEndpoint(&endpoint, "upgrade.example.net", 9000);
    std::string host;
    int port = 0;
    EXPECT_EQ(1, Told(&host, &port));
    EXPECT_EQ("upgrade.example.net", host);
    EXPECT_EQ(9000, port);
    EXPECT_STREQ("upgrade.example.net", endpoint.host);
    EXPECT_EQ(9000, endpoint.port);
    ExpectText(kServer, "SIP", "upgrade.example.net");
    ExpectText(kServer, "HOMEPAGE", kBuiltinWebHost);
    DWORD stored = 0;
    ASSERT_TRUE(GetDword(kServer, "SPORT", &stored));
    EXPECT_EQ(9000u, stored);

    DeleteToolbarKeys();
    SetServerEndpoint(&endpoint, "UPGRADE.example.NET", 9000);
    EXPECT_EQ(0, Told(nullptr, nullptr)) << "same host without regard to case, same port";
    EXPECT_FALSE(KeyExists(kServer)) << "nothing written";

    SetServerEndpoint(&endpoint, "upgrade.example.net", 9001);
    EXPECT_EQ(1, Told(nullptr, nullptr)) << "port changed";

    std::string longHost(300, 'h');
    SetServerEndpoint(&endpoint, longHost.c_str(), 80);
    EXPECT_EQ(std::string(255, 'h'), endpoint.host) << "cut, never overflowed";
}

TEST_F(EndpointTest, ResetServerDefaultsAndWebHost)
{
    EXPECT_EQ(kBuiltinWebHost, ReadWebHost()) << "no key";
    PutText(kServer, "HOMEPAGE", "");
    EXPECT_EQ(kBuiltinWebHost, ReadWebHost()) << "empty";
    PutText(kServer, "HOMEPAGE", "web.example.net:8080");
    EXPECT_EQ("web.example.net:8080", ReadWebHost());
    PutDword(kServer, "HOMEPAGE", 5);
    EXPECT_EQ(kBuiltinWebHost, ReadWebHost()) << "wrong type";

    PutText(kServer, "SIP", "other.example.net");
    PutDword(kServer, "SPORT", 1);
    ResetServerDefaults();
    ExpectText(kServer, "SIP", kBuiltinHost);
    ExpectText(kServer, "HOMEPAGE", kBuiltinWebHost);
    DWORD stored = 0;
    ASSERT_TRUE(GetDword(kServer, "SPORT", &stored));
    EXPECT_EQ(static_cast<DWORD>(kBuiltinPort), stored);
    EXPECT_EQ(0, Told(nullptr, nullptr)) << "the defaults are written, not announced";
}
