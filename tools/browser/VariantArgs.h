// Reading the VARIANT arguments that callers pass to Navigate2 and ShowBrowserBar.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <string>
#include <vector>

// Follows VT_BYREF|VT_VARIANT chains; null stays null.
const VARIANT* DerefVariant(const VARIANT* v);
bool VariantIsMissing(const VARIANT* v);  // null, VT_EMPTY, VT_NULL or VT_ERROR
std::wstring VariantText(const VARIANT* v);
long VariantLong(const VARIANT* v, long fallback);
bool VariantBool(const VARIANT* v, bool fallback);
// The bytes of a VT_ARRAY|VT_UI1 (also by reference); false when the variant holds no array.
bool VariantBytes(const VARIANT* v, std::vector<BYTE>& bytes);
