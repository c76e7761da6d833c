// scmp-trainer: the trainer board in a window.
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "trainer/data_dir.h"
#include "ui/trainer_app.h"

namespace {

constexpr const char* kUsage = "usage: scmp-trainer [--dir DIR]\n";
constexpr const char* kHelp =
    "The data folder holding SCMP.DEL and Samples/ is DIR, else $SCMP_DIR,\n"
    "else the Scmp folder beside this program, else your own copy in\n"
    "$XDG_DATA_HOME/scmp-trainer (made from the installed one on first start).\n";

}  // namespace

int main(int argc, char** argv) {
  // Qt's own options (-platform, -style, ...) are left to QApplication.
  CLI::App app("", "scmp-trainer");
  app.allow_extras();
  std::string dir;
  scmp::AddDataDirOption(app, dir);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (auto status = scmp::ParseArguments(app, args, kUsage, kHelp, std::cout, std::cerr)) return *status;
  return scmp::RunTrainerWindow(argc, argv, dir, scmp::RunningExecutablePath(argv[0]));
}
