// Fixture of the registry store tests: every test starts with no toolbar keys at all (inside the
// throwaway Wine prefix only).
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

class StoreTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
};

void DeleteToolbarKeys();

// Raw access below the settings root, to arrange and inspect values as another writer would.
void PutDword(const char* key, const char* name, DWORD value);
void PutRaw(const char* key, const char* name, DWORD type, const void* data, DWORD size);
bool GetDword(const char* key, const char* name, DWORD* value);
// Type and bytes of a value; false when absent.
bool GetRaw(const char* key, const char* name, DWORD* type, std::string* bytes);
bool KeyExists(const char* key);
