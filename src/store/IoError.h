// File input/output failures of the clip store.
#pragma once

#include "ui/Errors.h"

#include <cstdint>
#include <string>

namespace store {

inline constexpr std::uint32_t ShortReadCode = 100;
inline constexpr std::uint32_t ShortWriteCode = 101;

// The user text for an I/O error code (a system error code, or one of the two above).
std::string IoErrorMessage(std::uint32_t code);

class IoError : public ui::AppError {
public:
    explicit IoError(std::uint32_t code);
    std::uint32_t Code() const noexcept { return code_; }

private:
    std::uint32_t code_;
};

// Raises the IoError of the calling thread's last error code.
[[noreturn]] void ThrowLastIoError();

} // namespace store
