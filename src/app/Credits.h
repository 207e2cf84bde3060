// The maker's credit line and web address, shown by the bar's bottom label,
// the about box and the splash window.
#pragma once

namespace app {

// The bar's label tells the two apart by the first character: only the web
// address may begin with a lower-case w.
constexpr const char* kCreditLine = "(c) 2026 orv Software";
constexpr const char* kWebAddress = "www.orv-software.example";

static_assert(kCreditLine[0] != 'w' && kWebAddress[0] == 'w');

} // namespace app
