#pragma once
// The program entry's order, over the installed platform services.

namespace app {

// Runs the program: the single-instance guard, the main window with its start-up sequence,
// the promotion window, the message loop. Returns the exit code, 0 on every path.
int RunProgram();

}  // namespace app
