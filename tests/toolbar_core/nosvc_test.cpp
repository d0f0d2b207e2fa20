// Without a service library beside the toolbar, server changes are still stored.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "own_module.h"
#include "server_endpoint.h"
#include "store_fixture.h"

TEST_F(StoreTest, ServerChangeWithoutServiceLibraryIsStored)
{
    std::string path = OwnModuleDirectory() + "\\LumoraSvcDll.dll";
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << path;

    ServerEndpoint endpoint;
    SetServerEndpoint(&endpoint, "other.example.net", 9000);
    EXPECT_STREQ("other.example.net", endpoint.host);
    DWORD stored = 0;
    ASSERT_TRUE(GetDword("Software\\Orvx\\PyxToolBar\\Server", "SPORT", &stored));
    EXPECT_EQ(9000u, stored);

    ServerEndpoint loaded;
    LoadServerEndpoint(&loaded);
    EXPECT_STREQ(LUMORA_BUILTIN_SERVER_HOST, loaded.host);
    EXPECT_EQ(LUMORA_BUILTIN_SERVER_PORT, loaded.port);
}
