// Bitmap ids of PyxRes.dll. The toolbar loads each by number from the library in its own
// directory; masked pictures use #FEFEFE for transparent pixels.
#pragma once

// Image strips (one row of equal pictures).
#define PYXRES_TICKER_ICONS       4011  // 8 x 16x16: certification classes 0-6, certification mark 7
#define PYXRES_LAMP_STRIP         4015  // 32 x 19x19: 0-3 trusted, 4-7 good, 8-9 caution,
                                        // 10-11 danger, 12 delayed, 13 blank, 14-31 loading
#define PYXRES_SITE_MARKS         4016  // 8 x 20x16, same order as the ticker icons
#define PYXRES_LOGO               4017  // 1 x 35x16
#define PYXRES_GRIP               4018  // 2 x 5x16: left and right half of the ticker grip
#define PYXRES_FUNCTION_BUTTONS   4019  // 6 x 16x16: buttons 0-4, then the grip item's picture
#define PYXRES_SETTING_PAGES      4020  // 4 x 20x20: the four settings pages

// Dialog backgrounds (not masked).
#define PYXRES_ABOUT_STANDARD     4022  // 357 x 212
#define PYXRES_ABOUT_LIGHT        4023
#define PYXRES_UPGRADE_STANDARD   4024  // 545 x 324
#define PYXRES_UPGRADE_LIGHT      4025
#define PYXRES_REMINDER_LIGHT     4026  // 485 x 200
#define PYXRES_REMINDER_STANDARD  4027
#define PYXRES_IFRAME_LIGHT       5001  // 485 x 200
#define PYXRES_IFRAME_STANDARD    5002

// Three-state buttons (normal, hover, pressed) are 77 x 20, except the 14 x 13 close box
// 3001-3006; the ids of each use are listed in README.md.
