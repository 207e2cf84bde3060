// One running copy per program folder: two copies in one folder would write
// the same catalogues, and the last to write would win.
#pragma once

#include "ui/Handles.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace app {

// The name of a program folder's mutex, the same however the folder's path is
// spelt (case, short names); copies in different folders get different ones.
std::string InstanceName(std::string_view programDir);

class SingleInstance {
public:
    // Claims the folder for this copy, or finds that another copy has it.
    explicit SingleInstance(std::string_view programDir);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool First() const noexcept { return first_; }
    // Marks the window that a later start in the same folder asks to come
    // to the front.
    void MarkWindow(HWND window);
    // Asks the copy already running in the folder to come to the front.
    void BringRunningCopyToFront() const;

private:
    std::string name_;
    ui::KernelHandle mutex_;
    bool first_ = false;
    // The mark's name as an atom of our own: a property named by a string
    // would leave its atom behind when the window goes.
    ATOM mark_ = 0;
};

} // namespace app
