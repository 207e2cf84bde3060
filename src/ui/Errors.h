// Errors that end an event handler and reach the application's error box.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

namespace ui {

// An error whose what() is the text shown to the user (without the final ".").
class AppError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // Something to do once the user has seen this error's box: an error that
    // is dropped unshown (a box already waits) leaves it undone, so its source
    // can tell the user again later.
    void OnSeen(std::function<void()> seen) { seen_ = std::make_shared<const std::function<void()>>(std::move(seen)); }
    void Seen() const
    {
        if (seen_ && *seen_)
            (*seen_)();
    }

private:
    // Shared: an exception is copied on its way up, and copying must not throw.
    std::shared_ptr<const std::function<void()>> seen_;
};

// printf-style formatting for error texts such as "Cannot create file %s".
std::string Format(const char* pattern, const std::string& arg);

} // namespace ui
