// Where the data folder is: the folder that holds SCMP.DEL, Samples/ and
// TRACE.LOG.
//
// The order: --dir, then $SCMP_DIR, then the "Scmp" folder beside the
// executable (running from the build folder). An installed program has no
// such folder; it uses the user's own copy, $XDG_DATA_HOME/scmp-trainer
// (default ~/.local/share/scmp-trainer), made on first start by copying the
// installed data folder so that images, edited samples and TRACE.LOG can be
// written there. An existing user copy is never changed.
#pragma once

#include <ostream>
#include <string>

namespace scmp {

// Everything the search looks at, gathered in one place so that tests can
// set up each case without touching the environment.
struct DataDirPlaces {
  std::string option_dir;     // --dir; empty when not given
  std::string env_dir;        // $SCMP_DIR; empty when unset
  std::string exe_path;       // the running executable
  std::string xdg_data_home;  // $XDG_DATA_HOME; used only when absolute
  std::string home;           // $HOME
  std::string built_in_dir;   // the installed data folder of the prefix given at build time
};

// The places for `option_dir` and `exe_path`, with the rest taken from the
// environment and the build.
DataDirPlaces DataDirPlacesFromEnvironment(const std::string& option_dir, const std::string& exe_path);

// The data folder (ending in "/") in the order above. On an installed
// program's first start it makes the user's copy and says once on `notes`
// what was copied and where. Returns "" with `error` naming every place that
// was tried when there is no folder with SCMP.DEL. --dir and $SCMP_DIR are
// taken as given: reading SCMP.DEL there reports its own error.
std::string FindDataDir(const DataDirPlaces& places, std::ostream& notes, std::string* error);
std::string FindDataDir(const std::string& option_dir, const std::string& exe_path, std::ostream& notes,
                        std::string* error);

// The same order without making anything: the folder to read SCMP.DEL from
// (the user's copy or the installed folder when there is no folder beside
// the executable). Where there is none, the folder beside the executable, so
// that reading SCMP.DEL there names it.
std::string ResolveDataDir(const std::string& option_dir, const char* env_dir, const std::string& exe_path);

// The path of the running executable (/proc/self/exe), else `argv0`: a
// program started through PATH gets only its bare name in argv[0].
std::string RunningExecutablePath(const char* argv0);

}  // namespace scmp
