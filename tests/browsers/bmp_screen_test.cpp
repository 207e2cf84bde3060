// The browser as it reaches the screen: the strip picture is what the user
// sees, and a selection shows without a full repaint. With
// TIDEMARK_SCREENSHOT_DIR set, the window is also saved there as a BMP file.
#include "bmp_fixture.h"

#include "bar/Form1.h"

#include <cstdlib>

using namespace bmptest;
using namespace testing_support;

namespace {

// The screen's pixels under a window, read in-process.
struct ScreenShot {
    ui::Bitmap picture;
    int width = 0, height = 0;

    explicit ScreenShot(HWND h)
    {
        RECT r;
        GetWindowRect(h, &r);
        width = r.right - r.left;
        height = r.bottom - r.top;
        picture = browsers::CreatePicture(width, height);
        HDC screen = GetDC(nullptr);
        ui::MemoryDc dc(CreateCompatibleDC(screen));
        {
            ui::SelectGuard sel(dc.get(), picture.get());
            BitBlt(dc.get(), 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        }
        ReleaseDC(nullptr, screen);
        origin = {r.left, r.top};
    }
    COLORREF At(HWND child, int x, int y) const
    {
        POINT p{x, y};
        ClientToScreen(child, &p);
        const std::uint32_t* bits = browsers::PictureBits(picture.get());
        std::uint32_t v = bits[(p.y - origin.y) * width + (p.x - origin.x)];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    void Save(const std::string& path) const
    {
        const std::uint32_t* bits = browsers::PictureBits(picture.get());
        BITMAPFILEHEADER fh{};
        BITMAPINFOHEADER ih{};
        ih.biSize = sizeof ih;
        ih.biWidth = width;
        ih.biHeight = -height;
        ih.biPlanes = 1;
        ih.biBitCount = 32;
        const DWORD size = static_cast<DWORD>(width * height * 4);
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = fh.bfOffBits + size;
        std::string data(reinterpret_cast<const char*>(&fh), sizeof fh);
        data.append(reinterpret_cast<const char*>(&ih), sizeof ih);
        data.append(reinterpret_cast<const char*>(bits), size);
        WriteFileBytes(path, data);
    }
    POINT origin{};
};

// Thumbnails with something to see in them: diagonal stripes of a colour.
void PaintThumbnail(HBITMAP thumb, COLORREF colour)
{
    std::uint32_t* bits = browsers::PictureBits(thumb);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool stripe = ((x + y) / 8) % 2 == 0;
            COLORREF c = stripe ? colour : RGB(255, 255, 255);
            bits[y * 60 + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
}

} // namespace

class BmpScreen : public BrowserTest {};

TEST_F(BmpScreen, TheStripAndItsSelectionReachTheScreen)
{
    const COLORREF colours[] = {RGB(0, 0, 160), RGB(0, 128, 0), RGB(160, 0, 160), RGB(200, 120, 0)};
    const std::uint16_t sizes[][2] = {{640, 480}, {1920, 1080}, {101, 37}, {3840, 2160}};
    for (int k = 0; k < 4; ++k) {
        PaintThumbnail(frmBmp->Thumbnails[k].get(), colours[k]);
        frmBmp->ThumbWidths[k] = sizes[k][0];
        frmBmp->ThumbHeights[k] = sizes[k][1];
    }
    frmBmp->CellCount = 4;
    frmBmp->DrawStrip();
    SetWindowPos(frmBmp->Handle(), nullptr, 100, 100, 301, 180, SWP_NOZORDER);
    SendMessageA(frmBmp->Handle(), WM_COMMAND, TfrmBmp::mnuShowBut, 0);
    frmBmp->labStatus.SetText("Bitmap sent to clipboard.");
    frmBmp->Show();
    PumpMessages(300);
    SendMessageA(frmBmp->imBmps.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 40));
    PumpMessages(300);

    ScreenShot shot(frmBmp->Handle());
    HWND strip = frmBmp->imBmps.Handle();
    EXPECT_EQ(shot.At(strip, 67, 1), browsers::kSelectionRed);
    EXPECT_EQ(shot.At(strip, 131, 79), browsers::kSelectionRed);
    EXPECT_EQ(shot.At(strip, 1, 1), browsers::kStripSilver);
    EXPECT_EQ(shot.At(strip, 0, 0), browsers::kFrameLight);
    EXPECT_EQ(shot.At(strip, 3, 16), colours[3]);
    EXPECT_EQ(shot.At(strip, 66 + 3, 16), colours[2]);

    if (const char* dir = std::getenv("TIDEMARK_SCREENSHOT_DIR"))
        shot.Save(std::string(dir) + "\\bmpbrowser.bmp");
    frmBmp->Hide();
}
