// Fonts by face and character height, and the room a line of text takes.
#pragma once

#include "ui/Handles.h"

#include <string>

namespace ui {

// A font whose characters (the cell less its internal leading) are `height`
// pixels high. Throws ui::AppError when the font cannot be made.
Font MakeFont(const char* face, int height, bool bold = false);

// The width of one line of text in `font`, and the font's line height.
SIZE TextExtent(HFONT font, const std::string& text);

} // namespace ui
