// The Upgrade key: the version from the module's own version resource and the check stamp.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "store_fixture.h"
#include "time_stamp.h"
#include "upgrade_store.h"

namespace {

const char* const kUpgrade = "Software\\Orvx\\PyxToolBar\\Upgrade";

} // namespace

TEST_F(StoreTest, ModuleVersionComesFromTheOwnVersionResource)
{
    EXPECT_EQ("0.0.0.0", ReadInstalledVersion()) << "absent";
    // This test program carries the product's version resource, as the toolbar library does.
    EXPECT_EQ("3.1.0.1", RecordModuleVersion());
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(GetRaw(kUpgrade, "version", &type, &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    if (!bytes.empty() && bytes.back() == '\0')
        bytes.pop_back(); // added by Wine's registry to ANSI texts
    EXPECT_EQ("3.1.0.1", bytes);
    EXPECT_EQ("3.1.0.1", ReadInstalledVersion());
}

TEST_F(StoreTest, InstalledVersionReadsEmptyOrWrongTypeAsUnknown)
{
    PutRaw(kUpgrade, "version", REG_SZ, "", 1);
    EXPECT_EQ("0.0.0.0", ReadInstalledVersion());
    DWORD number = 3;
    PutRaw(kUpgrade, "version", REG_DWORD, &number, sizeof(number));
    EXPECT_EQ("0.0.0.0", ReadInstalledVersion());
    PutRaw(kUpgrade, "version", REG_SZ, "2.0.0.7", 8);
    EXPECT_EQ("2.0.0.7", ReadInstalledVersion());
}

TEST_F(StoreTest, LastUpgradeIsStamped)
{
    uint32_t before = CurrentTimeStamp();
    StampLastUpgrade();
    DWORD stamp = 0;
    ASSERT_TRUE(GetDword(kUpgrade, "lastUpgrade", &stamp));
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, CurrentTimeStamp());
}
