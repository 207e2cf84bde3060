#include "ui/Fonts.h"

#include "ui/Errors.h"

namespace ui {

Font MakeFont(const char* face, int height, bool bold)
{
    // A negative height asks for the character height rather than the cell's.
    Font font(CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
    if (!font)
        throw AppError(Format("Cannot create font %s", face));
    return font;
}

SIZE TextExtent(HFONT font, const std::string& text)
{
    WindowDc screen(nullptr);
    SelectGuard sel(screen.get(), font);
    SIZE size{};
    GetTextExtentPoint32A(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICA tm{};
    GetTextMetricsA(screen.get(), &tm);
    size.cy = tm.tmHeight;
    return size;
}

} // namespace ui
