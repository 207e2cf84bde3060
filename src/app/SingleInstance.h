// One running copy per program folder: two copies in one folder would write
// the same catalogues, and the last to write would win.
#pragma once

#include "ui/Handles.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace app {

// The name of a program folder's mutex, made from the folder's identity (its
// volume and file index), so the same however the folder is reached: another
// drive letter, a share, a junction, a short name. A folder that cannot be
// asked is named from its full long path, ignoring case. Copies in different
// folders get different names.
std::string InstanceName(std::string_view programDir);

class SingleInstance {
public:
    // Claims the folder for this copy, or finds that another copy has it.
    // The claim holds until this object goes, once the program's files are
    // written.
    explicit SingleInstance(std::string_view programDir);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // No other copy has the folder: this one runs.
    bool First() const noexcept { return claim_ == Claim::First; }
    // The folder's mutex exists but cannot be opened (another user's copy,
    // say): whether a copy runs there cannot be learnt.
    bool Undecided() const noexcept { return claim_ == Claim::Undecided; }
    // Tells the user so, in a box captioned with the program's title.
    void TellUndecided() const;
    // Marks the window that a later start in the same folder asks to come
    // to the front (WM_TIDEMARK_TO_FRONT).
    void MarkWindow(HWND window);
    // For a copy that found another running: asks that one to come to the
    // front, and ends. One that is leaving is waited for, 5 s at most, and
    // then this copy has the folder: true, it runs. One that neither comes
    // nor goes is told of in a box.
    bool TakeOver();

private:
    enum class Claim { First, Running, Undecided };

    std::string folder_;
    std::string name_;
    // Owned by the copy that has the folder; a copy that ends without
    // letting go leaves it abandoned, which also hands it on.
    ui::KernelHandle mutex_;
    Claim claim_ = Claim::Running;
    HWND marked_ = nullptr;
    // The mark's name as an atom of our own: a property named by a string
    // would leave its atom behind when the window goes.
    ATOM mark_ = 0;
};

} // namespace app
