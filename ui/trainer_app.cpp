#include "ui/trainer_app.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "trainer/data_dir.h"
#include "trainer/panel_model.h"
#include "ui/main_window.h"
#include "ui/outside_destroy.h"
#include "ui/remembered_settings.h"
#include "ui/theme.h"

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

// QApplication takes its own options and their arguments out of argv; the
// command line's other words were not understood as files by mistake.
std::vector<std::string> FilesLeftByQt(const std::vector<std::string>& files, int argc, char** argv) {
  std::vector<std::string> left(argv + 1, argv + argc), kept;
  for (const std::string& file : files) {
    const auto found = std::find(left.begin(), left.end(), file);
    if (found == left.end()) continue;
    left.erase(found);
    kept.push_back(file);
  }
  return kept;
}

}  // namespace

int RunTrainerWindow(int& argc, char** argv, const std::string& option_dir, const std::string& exe_path,
                     const std::vector<std::string>& files) {
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
  for (const std::string& notice : model.TakeNotices()) std::cerr << "scmp-trainer: warning: " << notice << "\n";

  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName("scmp-trainer");
  QCoreApplication::setApplicationName("scmp-trainer");
  model.SetAlertHook([] { QApplication::beep(); });
  // What the last run left: theme, speed, places, zoom, folders. The run
  // options are not among them and start at their start-up values.
  RememberedSettings remembered;
  ApplyTheme(remembered.Theme());
  model.SetSpeed(remembered.Speed(model.Options().speed_factor));
  remembered.Watch();
  PanelWindow window(model);
  window.UseRecentFiles(&remembered);
  window.SetExitAction([&] {
    remembered.KeepWindows(&window);
    remembered.SetSpeed(model.Options().speed_factor);
    QCoreApplication::quit();
  });
  window.show();
  window.ReopenWindows(remembered.OpenWindows());
  // The panel's keys go to the focused window; without a window manager
  // (a kiosk, a test display) nobody else would give it the focus.
  window.activateWindow();
  OutsideDestroyWatch destroyed_from_outside(&window);
  for (const std::string& file : FilesLeftByQt(files, argc, argv)) window.LoadFile(file);
  const int status = app.exec();
  model.CloseTrace();
  return status;
}

}  // namespace scmp
