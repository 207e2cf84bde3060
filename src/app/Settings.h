// The settings file: a private profile read once at start, written once at the end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace app {

constexpr const char* kSettingsFileName = "tidemark.ini";
constexpr const char* kSettingsSection = "Main";

// A settings value as a number: leading blanks, then a signed decimal number or
// "$" with 1 to 8 hex digits ("0x"/"0X" counts as "$" in a value longer than
// two characters), running to the end and fitting in 32 bits.
std::optional<int32_t> ParseSettingNumber(const std::string& value);

// Reads a number from the file, `fallback` when the file, key or number is missing.
int32_t ReadSettingNumber(const std::string& iniPath, const char* key, int32_t fallback);

// Writes `value`; throws ui::AppError "Unable to write to <path>" on failure.
void WriteSetting(const std::string& iniPath, const char* key, const std::string& value);

} // namespace app
