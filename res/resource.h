// Resource identifiers shared by the resource script and the code.
#pragma once

// The executable's icon in Explorer: the first icon group, so it must stay 1.
#define IDI_APP 1

// Speed-button glyphs are 24-bit bitmaps drawn transparently: pixels of the
// bottom-left pixel's colour (magenta) are not painted. A glyph twice as wide
// as high holds two 16 x 16 images side by side: normal, disabled.

// The bar: 16 x 16, except the help glyph (32 x 16, two images).
#define IDB_BAR_MENU 101
#define IDB_BAR_TEXT 102
#define IDB_BAR_BMP 103
#define IDB_BAR_SAVED 104
#define IDB_BAR_HELP 105

// The monitor switch, 16 x 32 each, drawn opaque; its only key-coloured
// pixels are the four corners.
#define IDB_MONITOR_ON 110
#define IDB_MONITOR_OFF 111

// The text browser: copy and cut are 32 x 16 (two images); save is the bar's
// floppy disk.
#define IDB_TEXT_COPY 120
#define IDB_TEXT_DEL 121
#define IDB_TEXT_SAVE IDB_BAR_SAVED

// The bitmap browser: copy and cut 32 x 16 (two images), save 18 x 16 (one).
#define IDB_BMP_COPY 130
#define IDB_BMP_DEL 131
#define IDB_BMP_SAVE 132

// The about box: the OK button's check mark (16 x 16, transparent) and the
// logo (133 x 74, opaque on the button-face grey).
#define IDB_ABOUT_OK 140
#define IDB_ABOUT_LOGO 141

// The splash window's picture of the bar's buttons (163 x 46, opaque).
#define IDB_SPLASH_BUTTONS 150
