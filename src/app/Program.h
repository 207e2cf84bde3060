// The program's spine: application properties, the five windows, the loop.
#pragma once

namespace app {

// The application's title: its taskbar button, and the caption of its boxes.
inline constexpr char kTitle[] = "orv Tidemark";

// Sets the title and help file and creates the five windows in order.
void CreateProgramForms();
// Runs the loop; the windows are destroyed in reverse order when it ends.
int RunProgram();
// Destroys and releases the windows (after the loop, and in tests).
void ReleaseProgramForms() noexcept;

} // namespace app
