#include "app/Settings.h"

#include "ui/Errors.h"

#include <windows.h>

namespace app {

std::optional<int32_t> ParseSettingNumber(const std::string& raw)
{
    std::string s = raw;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s.replace(0, 2, "$");
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    if (i < s.size() && s[i] == '$') {
        ++i;
        size_t digits = s.size() - i;
        if (digits < 1 || digits > 8)
            return std::nullopt;
        uint32_t v = 0;
        for (; i < s.size(); ++i) {
            char c = s[i];
            int d = c >= '0' && c <= '9' ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
            if (d < 0)
                return std::nullopt;
            v = v << 4 | static_cast<uint32_t>(d);
        }
        return static_cast<int32_t>(v);
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    if (i == s.size())
        return std::nullopt;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
        v = v * 10 + (s[i] - '0');
        if (v > int64_t{1} << 31)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > INT32_MAX || v < INT32_MIN)
        return std::nullopt;
    return static_cast<int32_t>(v);
}

int32_t ReadSettingNumber(const std::string& iniPath, const char* key, int32_t fallback)
{
    char buffer[1024];
    GetPrivateProfileStringA(kSettingsSection, key, "", buffer, sizeof buffer, iniPath.c_str());
    return ParseSettingNumber(buffer).value_or(fallback);
}

void WriteSetting(const std::string& iniPath, const char* key, const std::string& value)
{
    if (!WritePrivateProfileStringA(kSettingsSection, key, value.c_str(), iniPath.c_str()))
        throw ui::AppError(ui::Format("Unable to write to %s", iniPath));
}

} // namespace app
