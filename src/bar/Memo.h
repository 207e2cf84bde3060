// The bar's hidden text buffer, through which text passes on capture and on
// copy-back. No window: nothing reads it on screen, and an edit control costs
// a large clip's weight in time on every pass.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

class Memo {
public:
    explicit Memo(std::string text) : text_(std::move(text)) {}

    const std::string& Text() const noexcept { return text_; }
    // Takes the caller's text; it is moved, never copied.
    void SetText(std::string text) noexcept { text_ = std::move(text); }
    // Empties the buffer. It keeps its memory for the next text unless that
    // is more than a large clip needs: a fresh megabyte costs a fault per page.
    void Clear() noexcept
    {
        if (text_.capacity() > kKeptCapacity)
            std::string().swap(text_);
        else
            text_.clear();
    }
    // The buffer's memory, empty, for the next text to be read into.
    std::string TakeStorage() noexcept
    {
        std::string storage = std::move(text_);
        storage.clear();
        text_.clear();
        return storage;
    }

    static constexpr std::size_t kKeptCapacity = 4u << 20;

private:
    std::string text_;
};
