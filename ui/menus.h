// Every menu and every key of the program's windows besides the panel's own
// buttons, built in one place: the panel's menu bar, the editor's menu bar,
// and Help > Keyboard, which lists what these actions and the panel keys
// say. The windows hand in what each entry does.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace scmp {

class DebugActions;

// What the entries do, keyed by the entries' object names ("mnu_OpenMem").
using MenuCommands = std::map<QString, std::function<void()>>;

class Menus : public QObject {
  Q_OBJECT

 public:
  // `open_source` opens a sample or a recent file in the editor;
  // `samples_dir` is where Files > Samples looks.
  Menus(MenuCommands commands, std::function<void(const QString&)> open_source, QString samples_dir,
        DebugActions* debug, QObject* parent);

  void BuildPanelMenus(QMenuBar* bar, int speed_factor, const std::function<void(int)>& set_speed);
  void BuildEditorMenus(QMenuBar* bar, const std::function<void(const char* edit)>& edit_command);
  // The keys of the Files and View entries work in `window` too, which has no menu bar.
  void AddFileKeys(QWidget* window) const;
  // Help > Keyboard: the panel's keys, then every action that has a key.
  QString KeyboardText() const;
  // The Files > Recent Sources list again.
  void RefreshRecent();

 private:
  QAction* Entry(QMenu* menu, const char* name, const QString& text, const QKeySequence& key = {});
  QMenu* SubMenu(QMenu* parent, const char* name, const QString& text);
  void FillSamples(QMenu* menu);

  MenuCommands commands_;
  std::function<void(const QString&)> open_source_;
  QString samples_dir_;
  DebugActions* debug_;
  std::map<QString, QAction*> shared_;  // one action per entry, in every menu bar that shows it
  std::vector<QMenu*> recent_menus_;
  QMenuBar* panel_bar_ = nullptr;
};

}  // namespace scmp
