// The window program: start-up of the panel model, then the window and the
// event loop.
#pragma once

#include <string>
#include <vector>

namespace scmp {

// Finds the data folder (from --dir's `option_dir` and the program's own
// path), starts the panel from it and shows the window until it is closed.
// A failed start-up is reported on stderr and, when a display is there, in
// a message box; the exit status is then 1. The `files` given on the command
// line are loaded in order once the window is up, as Files menu entries
// would load them; a word that was an argument of one of Qt's own options
// (such as "-platform offscreen") is no file and is passed over.
int RunTrainerWindow(int& argc, char** argv, const std::string& option_dir, const std::string& exe_path,
                     const std::vector<std::string>& files = {});

}  // namespace scmp
