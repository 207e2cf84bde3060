#include "app/About.h"

namespace {

constexpr int kClientWidth = 298, kClientHeight = 183;

} // namespace

void TfrmAbout::Create()
{
    CreateForm({"TfrmAbout", WS_POPUP | WS_CAPTION | WS_DLGFRAME, WS_EX_DLGMODALFRAME, CW_USEDEFAULT, CW_USEDEFAULT,
                kClientWidth, kClientHeight, true, "About Tidemark",
                static_cast<int32_t>(0x80000000 | COLOR_BTNFACE)});
}
