// The window program: start-up of the panel model, then the window and the
// event loop.
#pragma once

#include <string>

namespace scmp {

// Finds the data folder (from --dir's `option_dir` and the program's own
// path), starts the panel from it and shows the window until it is closed.
// A failed start-up is reported on stderr and, when a display is there, in
// a message box; the exit status is then 1.
int RunTrainerWindow(int& argc, char** argv, const std::string& option_dir, const std::string& exe_path);

}  // namespace scmp
