// Errors that end an event handler and reach the application's error box.
#pragma once

#include <stdexcept>
#include <string>

namespace ui {

// An error whose what() is the text shown to the user (without the final ".").
class AppError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// printf-style formatting for error texts such as "Cannot create file %s".
std::string Format(const char* pattern, const std::string& arg);

} // namespace ui
