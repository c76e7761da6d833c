// Helpers for the window tests: a data folder of our own, a started panel
// model, controls found by name, and acting on modal windows.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "trainer/panel_model.h"
#include "tests/support/test_util.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace scmp::test {

// A data folder with the shipped SCMP.DEL and an empty Samples folder, and a
// model started from it.
class DataFolder {
 public:
  DataFolder() {
    std::filesystem::copy_file(SourceDataDir() + "SCMP.DEL", temp.File("SCMP.DEL"));
    std::filesystem::create_directory(temp.path() / "Samples");
  }
  std::string Dir() const { return temp.path().string() + "/"; }
  std::string Samples() const { return temp.path().string() + "/Samples"; }
  QString QSamples() const { return QString::fromStdString(Samples()); }

  TempDir temp;
};

template <class T>
T* Find(QObject* root, const QString& name) {
  T* found = root->findChild<T*>(name);
  EXPECT_NE(found, nullptr) << "no control " << name.toStdString();
  return found;
}

// Runs `act` on the next modal window that comes up (a dialog's exec() or a
// message box), from inside its event loop.
inline void WhenModal(std::function<void(QWidget*)> act, QWidget* not_this = nullptr) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act, not_this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == not_this || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start();
}

}  // namespace scmp::test
