#include "ui/trainer_app.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdlib>
#include <iostream>

#include "trainer/data_dir.h"
#include "trainer/panel_model.h"
#include "ui/main_window.h"

namespace scmp {
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

int RunTrainerWindow(int& argc, char** argv, const std::string& option_dir, const std::string& exe_path) {
  PanelModel model;
  std::string error;
  const std::string data_dir = FindDataDir(option_dir, exe_path, std::cerr, &error);
  if (data_dir.empty() || !model.StartUp(data_dir, &error)) {
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
  PanelWindow window(model);
  window.show();
  const int status = app.exec();
  model.CloseTrace();
  return status;
}

}  // namespace scmp
