// scmp-trainer: the trainer board in a window.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "trainer/data_dir.h"
#include "ui/trainer_app.h"

namespace {

constexpr const char* kUsage = "usage: scmp-trainer [--dir DIR] [FILE]...\n";
constexpr const char* kHelp =
    "Each FILE is loaded in order once the window is up, as the Files menu\n"
    "loads it: a source (.s) is assembled, a listing (.ASM), memory image (.RAM)\n"
    "or Intel HEX file (.hex) is loaded; the extension may be in any case.\n"
    "\n"
    "The data folder holding SCMP.DEL and Samples/ is DIR, else $SCMP_DIR,\n"
    "else the Scmp folder beside this program, else your own copy in\n"
    "$XDG_DATA_HOME/scmp-trainer (made from the installed one on first start).\n";

}  // namespace

int main(int argc, char** argv) {
  // A file size limit then fails a write with an error the program reports,
  // instead of killing it.
  std::signal(SIGXFSZ, SIG_IGN);
  // Qt's own options (-platform, -style, ...) are left to QApplication.
  CLI::App app("", "scmp-trainer");
  app.allow_extras();
  std::string dir;
  scmp::AddDataDirOption(app, dir);
  std::vector<std::string> files;
  app.add_option("FILE", files);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (auto status = scmp::ParseArguments(app, args, kUsage, kHelp, std::cout, std::cerr)) return *status;
  return scmp::RunTrainerWindow(argc, argv, dir, scmp::RunningExecutablePath(argv[0]), files);
}
