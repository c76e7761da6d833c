// What the program remembers between starts, in the user's configuration
// folder: the theme, the speed, each window's place and size and zoom,
// which windows were open, the last folder of each file window and the
// recent files. The run options (pause count, delay, fast mode, trace) are
// not among them: they start at their start-up values every time.
#pragma once

#include <QObject>
#include <QSettings>
#include <QStringList>
#include <memory>

#include "ui/theme.h"

class QWidget;

namespace scmp {

class RememberedSettings : public QObject {
 public:
  static constexpr int kRecentFiles = 8;

  // Reads and writes `settings`; with none, the application's own
  // (organisation and application name set before).
  explicit RememberedSettings(std::unique_ptr<QSettings> settings = nullptr, QObject* parent = nullptr);
  // Stops the file windows asking it for their folders.
  ~RememberedSettings() override;

  ThemeChoice Theme() const;
  void SetTheme(ThemeChoice theme);
  // The speed factor last chosen, or `fallback` when none was.
  int Speed(int fallback) const;
  void SetSpeed(int factor);
  QString LastFolder(const QString& window) const;
  void SetLastFolder(const QString& window, const QString& folder);
  // Newest first, no path twice, at most kRecentFiles.
  QStringList RecentFiles() const;
  void AddRecentFile(const QString& path);
  // The windows besides the main one that were open at the last exit.
  QStringList OpenWindows() const;
  int ZoomLevel(const QString& window) const;

  // From now on: every top-level window gets its remembered place and size
  // when first shown and has them kept when hidden; the zoom levels go to
  // and come from Zoom; the theme is kept when it changes; the file windows
  // start in their last folders.
  void Watch();
  // Keeps the place and size of every window now shown, and the names of
  // those open besides `main`. Call before the windows close.
  void KeepWindows(const QWidget* main);

  QSettings& Store() { return *settings_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void KeepGeometry(const QWidget* window);
  std::unique_ptr<QSettings> settings_;
  bool watching_ = false;
};

// Whether `widget` is a window whose place is worth keeping: a named main
// window, tool window or dialog of the program, not a menu or message box.
bool IsRememberedWindow(const QWidget* widget);

}  // namespace scmp
