#include "ui/Errors.h"

namespace ui {

std::string Format(const char* pattern, const std::string& arg)
{
    std::string out;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += arg;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace ui
