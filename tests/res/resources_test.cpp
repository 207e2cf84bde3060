// The glyphs, pictures, icon and manifest linked into the module: every one
// loads, has the size the forms lay out for it, and keeps the drawing rules
// the forms rely on (key colour, disabled images, the splash copying the bar).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "resource.h"
#include "ui/Handles.h"

namespace {

constexpr COLORREF Key = RGB(255, 0, 255);

// A bitmap resource read back as top-down COLORREFs.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> px;

    COLORREF at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};

Pixels load(int id)
{
    Pixels out;
    ui::Bitmap bmp(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bmp)
        return out;
    BITMAP info{};
    if (GetObjectA(bmp.get(), sizeof info, &info) != sizeof info)
        return out;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> bgra(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    ui::MemoryDc dc(CreateCompatibleDC(nullptr));
    if (GetDIBits(dc.get(), bmp.get(), 0, info.bmHeight, bgra.data(), &bi, DIB_RGB_COLORS) !=
        info.bmHeight)
        return out;
    out.width = info.bmWidth;
    out.height = info.bmHeight;
    for (uint32_t v : bgra)
        out.px.push_back(RGB((v >> 16) & 0xff, (v >> 8) & 0xff, v & 0xff));
    return out;
}

bool isGrey(COLORREF c)
{
    return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
}

struct Glyph {
    const char* name;
    int id;
    int width;
    int height;
    int images; // 16 x 16 cells side by side: normal, then disabled
};

const Glyph transparentGlyphs[] = {
    {"bar menu", IDB_BAR_MENU, 16, 16, 1},
    {"bar text", IDB_BAR_TEXT, 16, 16, 1},
    {"bar bitmaps", IDB_BAR_BMP, 16, 16, 1},
    {"bar saved", IDB_BAR_SAVED, 16, 16, 1},
    {"bar help", IDB_BAR_HELP, 32, 16, 2},
    {"text copy", IDB_TEXT_COPY, 32, 16, 2},
    {"text delete", IDB_TEXT_DEL, 32, 16, 2},
    {"text save", IDB_TEXT_SAVE, 16, 16, 1},
    {"bitmap copy", IDB_BMP_COPY, 32, 16, 2},
    {"bitmap delete", IDB_BMP_DEL, 32, 16, 2},
    {"bitmap save", IDB_BMP_SAVE, 18, 16, 1},
    {"about OK", IDB_ABOUT_OK, 16, 16, 1},
};

TEST(Glyphs, LoadWithTheirSizeAndKeyOnTheBottomLeftOfEveryImage)
{
    for (const Glyph& g : transparentGlyphs) {
        SCOPED_TRACE(g.name);
        Pixels p = load(g.id);
        ASSERT_EQ(p.width, g.width);
        ASSERT_EQ(p.height, g.height);
        const int cell = p.width / g.images;
        for (int i = 0; i < g.images; ++i) {
            EXPECT_EQ(p.at(i * cell, p.height - 1), Key) << "image " << i;
            int drawn = 0;
            for (int y = 0; y < p.height; ++y)
                for (int x = i * cell; x < (i + 1) * cell; ++x)
                    drawn += p.at(x, y) != Key;
            // Something to see, and background left around it.
            EXPECT_GT(drawn, cell * p.height / 8) << "image " << i;
            EXPECT_LT(drawn, cell * p.height) << "image " << i;
        }
    }
}

TEST(Glyphs, DisabledImageIsAGreyCopyOfTheNormalShape)
{
    for (const Glyph& g : transparentGlyphs) {
        if (g.images != 2)
            continue;
        SCOPED_TRACE(g.name);
        Pixels p = load(g.id);
        ASSERT_EQ(p.width, 32);
        bool coloured = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                COLORREF normal = p.at(x, y), disabled = p.at(x + 16, y);
                ASSERT_EQ(normal == Key, disabled == Key) << x << "," << y;
                if (disabled != Key) {
                    EXPECT_TRUE(isGrey(disabled)) << x << "," << y;
                }
                coloured |= normal != Key && !isGrey(normal);
            }
        EXPECT_TRUE(coloured);
    }
}

TEST(Glyphs, MonitorSwitchesAreOpaqueApartFromTheirCorners)
{
    Pixels on = load(IDB_MONITOR_ON);
    Pixels off = load(IDB_MONITOR_OFF);
    for (const Pixels* p : {&on, &off}) {
        ASSERT_EQ(p->width, 16);
        ASSERT_EQ(p->height, 32);
        const COLORREF corner = p->at(0, 31);
        int keyed = 0;
        for (COLORREF c : p->px)
            keyed += c == corner;
        EXPECT_EQ(keyed, 4);
        EXPECT_EQ(p->at(0, 0), corner);
        EXPECT_EQ(p->at(15, 0), corner);
        EXPECT_EQ(p->at(15, 31), corner);
    }
    EXPECT_NE(on.px, off.px);
}

// The splash picture shows the bar's buttons: the same glyphs on button
// faces, spaced as on the bar, then the switch turned on.
TEST(Pictures, SplashShowsTheBarsOwnGlyphs)
{
    Pixels row = load(IDB_SPLASH_BUTTONS);
    ASSERT_EQ(row.width, 163);
    ASSERT_EQ(row.height, 46);

    constexpr int left = 10, top = 7, pitch = 32, glyphInset = 4, switchLeft = 137;
    const int ids[] = {IDB_BAR_TEXT, IDB_BAR_BMP, IDB_BAR_SAVED, IDB_BAR_HELP};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        Pixels g = load(ids[i]);
        ASSERT_GE(g.width, 16);
        const int gx = left + i * pitch + glyphInset, gy = top + glyphInset;
        const COLORREF face = row.at(gx, gy + 15); // behind the glyph's key corner
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                COLORREF want = g.at(x, y) == Key ? face : g.at(x, y);
                ASSERT_EQ(row.at(gx + x, gy + y), want) << x << "," << y;
            }
    }
    Pixels on = load(IDB_MONITOR_ON);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(row.at(switchLeft + x, top + y), on.at(x, y)) << x << "," << y;
    EXPECT_EQ(row.at(0, 45), RGB(0, 0, 0));
}

TEST(Pictures, LogoHasItsSizeAndAPlainBackground)
{
    Pixels logo = load(IDB_ABOUT_LOGO);
    ASSERT_EQ(logo.width, 133);
    ASSERT_EQ(logo.height, 74);
    const COLORREF bg = logo.at(0, 73);
    EXPECT_EQ(logo.at(0, 0), bg);
    EXPECT_EQ(logo.at(132, 0), bg);
    int blue = 0;
    for (COLORREF c : logo.px)
        blue += GetBValue(c) > GetRValue(c) + 60;
    EXPECT_GT(blue, 133 * 74 / 3);
}

#pragma pack(push, 2)
struct GroupIconHeader {
    WORD reserved, type, count;
};
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)
static_assert(sizeof(GroupIconHeader) == 6 && sizeof(GroupIconEntry) == 14);

TEST(Icon, AppIconHoldsThreeSizesWithAlpha)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(IDI_APP), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_NE(group, nullptr);
    const DWORD size = SizeofResource(module, group);
    auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(data, nullptr);
    ASSERT_GE(size, sizeof(GroupIconHeader));
    GroupIconHeader head;
    memcpy(&head, data, sizeof head);
    ASSERT_EQ(head.type, 1);
    ASSERT_GE(size, sizeof head + head.count * sizeof(GroupIconEntry));

    std::vector<int> sizes;
    for (WORD i = 0; i < head.count; ++i) {
        GroupIconEntry e;
        memcpy(&e, data + sizeof head + i * sizeof e, sizeof e);
        EXPECT_EQ(e.bitCount, 32);
        EXPECT_EQ(e.width, e.height);
        sizes.push_back(e.width);
        // Each image must also build an icon of its own size.
        HRSRC one = FindResourceA(module, MAKEINTRESOURCEA(e.id), MAKEINTRESOURCEA(3) /* RT_ICON */);
        ASSERT_NE(one, nullptr);
        auto* bits = static_cast<BYTE*>(LockResource(LoadResource(module, one)));
        ui::Icon icon(CreateIconFromResourceEx(bits, SizeofResource(module, one), TRUE, 0x00030000,
                                               e.width, e.height, LR_DEFAULTCOLOR));
        ASSERT_TRUE(icon) << int(e.width);
        ICONINFO ii{};
        ASSERT_TRUE(GetIconInfo(icon.get(), &ii));
        ui::Bitmap colour(ii.hbmColor), mask(ii.hbmMask);
        BITMAP bm{};
        GetObjectA(colour.get(), sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, e.width);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
    EXPECT_NE(LoadIconA(module, MAKEINTRESOURCEA(IDI_APP)), nullptr);
}

TEST(Manifest, AsksForCommonControlsSixNoDpiAwarenessAndGdiScaling)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_NE(res, nullptr);
    auto* text = static_cast<const char*>(LockResource(LoadResource(module, res)));
    ASSERT_NE(text, nullptr);
    const std::string xml(text, SizeofResource(module, res));
    EXPECT_NE(xml.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(xml.find(">false</dpiAware>"), std::string::npos);
    EXPECT_NE(xml.find("<gdiScaling xmlns=\"http://schemas.microsoft.com/SMI/2017/WindowsSettings\">true</gdiScaling>"),
              std::string::npos);
    EXPECT_EQ(xml.find("dpiAwareness"), std::string::npos);
}

} // namespace
