// Resource ids of PyxToolTip.dll.
#pragma once

// Five 29 x 14 badges side by side (145 x 14, 24 bits), #FEFEFE transparent; drawn at build time
// by PyxRes/make_pictures.py.
#define IDB_SITE_BADGES 9000
