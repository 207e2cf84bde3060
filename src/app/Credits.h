// The maker's credits, shown by the about box, the splash and the bar.
#pragma once

namespace app {

// Maker, year and town.
constexpr const char* kCreditLine = "(c) 2026 orv Software, Tidewater";
constexpr const char* kWebAddress = "www.orv-software.example";

} // namespace app
