// The browser as it reaches the screen: the strip picture is what the user
// sees, and a selection shows without a full repaint. With
// TIDEMARK_SCREENSHOT_DIR set, the window is also saved there as a BMP file.
#include "bmp_fixture.h"

#include "bar/Form1.h"

#include <algorithm>
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

// Clips with something to see in them: diagonal stripes of a colour.
std::vector<std::uint8_t> StripedBmp(int width, int height, COLORREF colour)
{
    const int band = std::max(width, height) / 8;
    return MakeBmp(width, height, [=](int x, int y) {
        return ((x + y) / band) % 2 == 0 ? colour : RGB(255, 255, 255);
    });
}

} // namespace

class BmpScreen : public BrowserTest {};

TEST_F(BmpScreen, TheStripAndItsSelectionReachTheScreen)
{
    const COLORREF colours[] = {RGB(0, 0, 160), RGB(0, 128, 0), RGB(160, 0, 160), RGB(200, 120, 0)};
    const int sizes[][2] = {{640, 480}, {1920, 1080}, {101, 37}, {800, 600}};
    for (int k = 0; k < 4; ++k)
        AddClip(StripedBmp(sizes[k][0], sizes[k][1], colours[k]));
    frmBmp->ShowCatalogue(false);
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
