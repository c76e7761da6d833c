// scmp-trainer: the trainer board in a window.
//
//   scmp-trainer [--dir DIR]
//
// The data folder (SCMP.DEL, Samples/, TRACE.LOG) is DIR, else $SCMP_DIR,
// else the Scmp folder beside the program.
#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <iostream>
#include <string>

#include "trainer/data_dir.h"
#include "trainer/panel_model.h"
#include "ui/main_window.h"

namespace {

// Whether a window can be shown at all, so that a failure at start-up is
// not also a crash for want of a display.
bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string option_dir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc) {
      option_dir = argv[++i];
    } else if (arg.rfind("--dir=", 0) == 0) {
      option_dir = arg.substr(6);
    } else if (arg == "--help" || arg == "-h") {
      std::cout << "usage: scmp-trainer [--dir DIR]\n"
                   "The data folder holding SCMP.DEL and Samples/ is DIR, else $SCMP_DIR,\n"
                   "else the Scmp folder beside this program.\n";
      return 0;
    }
  }
  std::string error;
  const std::string samples_dir = scmp::FindDataDir(option_dir, scmp::RunningExecutablePath(argv[0]), std::cerr, &error);

  scmp::PanelModel model;
  if (samples_dir.empty() || !model.StartUp(samples_dir, &error)) {
    std::cerr << "scmp-trainer: " << error << "\n";
    if (DisplayAvailable()) {
      QApplication app(argc, argv);
      QMessageBox box(QMessageBox::Critical, "SC/MP Trainer", QString::fromLocal8Bit(error.c_str()), QMessageBox::Ok);
      box.exec();
    }
    return 1;
  }

  QApplication app(argc, argv);
  model.SetAlertHook([] { QApplication::beep(); });
  scmp::PanelWindow window(model);
  window.show();
  const int status = app.exec();
  model.CloseTrace();
  return status;
}
