// The bar's hidden text buffer, through which text passes on capture and on
// copy-back. No window: nothing reads it on screen, and an edit control costs
// a large clip's weight in time on every pass.
#pragma once

#include <string>
#include <utility>

class Memo {
public:
    explicit Memo(std::string text) : text_(std::move(text)) {}

    const std::string& Text() const noexcept { return text_; }
    // Takes the caller's text; it is moved, never copied.
    void SetText(std::string text) noexcept { text_ = std::move(text); }
    // Empties the buffer and gives its memory back.
    void Clear() noexcept { std::string().swap(text_); }

private:
    std::string text_;
};
