// The machine identifier from the interface table that Wine reports.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "pcid/compute_pcid.h"

namespace {

bool IsUpperHex(const char* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return text[length] == '\0';
}

TEST(ComputePcid, GivesThirtyTwoHexCharactersOrTheUnknownValue)
{
    char first[kPcidSize];
    std::memset(first, 'z', sizeof first);
    int result = ComputePcid(first);
    if (std::strcmp(first, "unknown pcid") == 0) {
        EXPECT_TRUE(result == 0 || result == -1);
    } else {
        EXPECT_EQ(0, result);
        EXPECT_TRUE(IsUpperHex(first, 32)) << first;
    }
    // The same adapters give the same identifier.
    char second[kPcidSize];
    EXPECT_EQ(result, ComputePcid(second));
    EXPECT_STREQ(first, second);
}

TEST(ComputePcid, WritesItsLineToTheDailyLog)
{
    char temp[MAX_PATH + 1] = {};
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    const std::string directory = std::string(temp) + "lumorares";
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char name[64];
    std::snprintf(name, sizeof name, "\\lumora_%04d%02d%02d.log", now.wYear, now.wMonth, now.wDay);
    const std::string path = directory + name;
    DeleteFileA(path.c_str());

    char pcid[kPcidSize];
    ComputePcid(pcid);

    std::string content;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char piece[512];
        size_t got;
        while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) {
            content.append(piece, got);
        }
        std::fclose(file);
    }
    DeleteFileA(path.c_str());
    RemoveDirectoryA(directory.c_str());
    ASSERT_GT(content.size(), 22u);
    EXPECT_EQ("PCID(" + std::string(pcid) + ")\n", content.substr(22));
}

} // namespace
