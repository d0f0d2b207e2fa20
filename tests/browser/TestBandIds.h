// Identifiers shared by the test band and the tests that drive it.
#pragma once
#include <guiddef.h>

// A band that records everything and acts on marked addresses.
// {6C2B9A41-3E57-4D0B-9F1A-8E4C2D7B5A90}
DEFINE_GUID(CLSID_LumoraTestBand, 0x6c2b9a41, 0x3e57, 0x4d0b, 0x9f, 0x1a, 0x8e, 0x4c, 0x2d, 0x7b, 0x5a, 0x90);
// A band whose SetSite fails: the browser must leave it out.
// {6C2B9A42-3E57-4D0B-9F1A-8E4C2D7B5A90}
DEFINE_GUID(CLSID_LumoraFailingBand, 0x6c2b9a42, 0x3e57, 0x4d0b, 0x9f, 0x1a, 0x8e, 0x4c, 0x2d, 0x7b, 0x5a, 0x90);

#define TESTBAND_CLSID_TEXT L"{6C2B9A41-3E57-4D0B-9F1A-8E4C2D7B5A90}"
#define FAILINGBAND_CLSID_TEXT L"{6C2B9A42-3E57-4D0B-9F1A-8E4C2D7B5A90}"

// Control ids of the band window's buttons.
const int kPopupButtonId = 4242;   // opens LUMORA_TESTBAND_POPUP through InternetExplorer.Application
const int kNewTabButtonId = 4243;  // Navigate2(LUMORA_TESTBAND_NEWTAB, 2048, "_blank")
