// The program's spine: application properties, the five windows, the loop.
#pragma once

namespace app {

// Sets the title and help file and creates the five windows in order.
void CreateProgramForms();
// Runs the loop; the windows are destroyed in reverse order when it ends.
int RunProgram();
// Destroys and releases the windows (after the loop, and in tests).
void ReleaseProgramForms() noexcept;

} // namespace app
