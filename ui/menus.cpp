#include "ui/menus.h"

#include <QAction>
#include <QActionGroup>
#include <algorithm>
#include <string_view>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "trainer/panel_model.h"
#include "ui/debug_actions.h"
#include "ui/editor_window.h"
#include "ui/panel_keys.h"

namespace scmp {

namespace {

struct EditEntry {
  const char* name;
  const char* text;
  QKeySequence key;
};

// The editor's keyed entries, for its menus and for Help > Keyboard, which
// lists them before the editor is first opened.
const std::vector<EditEntry>& EditEntries() {
  static const std::vector<EditEntry> entries = {
      {"mnu_Undo", "&Undo", QKeySequence::Undo},
      {"mnu_Redo", "&Redo", QKeySequence::Redo},
      {"mnu_Find", "&Find and Replace...", QKeySequence::Find},
      {"mnu_FindNext", "Find &Next", QKeySequence::FindNext},
  };
  return entries;
}

// The margin click from the keyboard.
const EditEntry& ToggleEntry() {
  static const EditEntry toggle = {"mnu_ToggleBreakpoint", "Toggle Brea&kpoint", QKeySequence(Qt::Key_F9)};
  return toggle;
}

// Screen readers name a menu by its own name, which Qt leaves empty: the entry's text.
void NameMenus(QMenuBar* bar) {
  for (QMenu* menu : bar->findChildren<QMenu*>())
    if (menu->accessibleName().isEmpty()) menu->setAccessibleName(menu->menuAction()->text().remove('&'));
}

}  // namespace

Menus::Menus(MenuCommands commands, std::function<void(const QString&)> open_source, QString samples_dir,
             DebugActions* debug, QObject* parent)
    : QObject(parent),
      commands_(std::move(commands)),
      open_source_(std::move(open_source)),
      samples_dir_(std::move(samples_dir)),
      debug_(debug) {}

// The entry's action, made once and shared by every menu that shows it.
QAction* Menus::Entry(QMenu* menu, const char* name, const QString& text, const QKeySequence& key) {
  QAction*& action = shared_[name];
  if (action == nullptr) {
    action = new QAction(text, this);
    action->setObjectName(name);
    if (!key.isEmpty()) action->setShortcut(key);
    const auto command = commands_.find(name);
    if (command != commands_.end()) connect(action, &QAction::triggered, this, command->second);
  }
  menu->addAction(action);
  return action;
}

QMenu* Menus::SubMenu(QMenu* parent, const char* name, const QString& text) {
  QMenu* menu = parent->addMenu(text);
  // The recent files change with every load: listed afresh as it opens.
  if (std::string_view(name).find("Recent") != std::string_view::npos)
    connect(menu, &QMenu::aboutToShow, this, &Menus::RefreshRecent);
  menu->setObjectName(name);
  menu->setAccessibleName(QString(text).remove('&'));
  menu->menuAction()->setObjectName(name);
  return menu;
}

void Menus::BuildPanelMenus(QMenuBar* bar, int speed_factor, const std::function<void(int)>& set_speed) {
  panel_bar_ = bar;
  bar->setObjectName("menuBar");
  bar->setAccessibleName("Menus");
  QMenu* files = bar->addMenu("&Files");
  files->setObjectName("mnu_Files");
  files->menuAction()->setObjectName("mnu_Files");
  Entry(files, "mnu_OpenMem", "&Open Memory-Image");
  Entry(files, "mnu_SavMem_As", "&Save Memory-Image As");
  files->addSeparator()->setObjectName("mnu_File_Sep1");
  Entry(files, "mnu_LoadAsm", "&Load ASM-file");
  Entry(files, "mnu_AsmSource", "&Assemble Source...");
  Entry(files, "mnu_Reassemble", "&Reassemble and Load", QKeySequence(Qt::CTRL | Qt::Key_R));
  Entry(files, "mnu_LoadHex", "Load Intel &HEX...");
  files->addSeparator()->setObjectName("mnu_File_SepSource");
  Entry(files, "mnu_NewSource", "&New Source", QKeySequence(Qt::CTRL | Qt::Key_N));
  Entry(files, "mnu_OpenSource", "Open So&urce...", QKeySequence(Qt::CTRL | Qt::Key_O));
  Entry(files, "mnu_SaveSource", "Sa&ve Source", QKeySequence(Qt::CTRL | Qt::Key_S));
  Entry(files, "mnu_SaveSourceAs", "Save Sour&ce As...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  recent_menus_.push_back(SubMenu(files, "mnu_Recent", "Recent &Files"));
  FillSamples(SubMenu(files, "mnu_Samples", "Sa&mples"));
  files->addSeparator()->setObjectName("mnu_File_SepState");
  Entry(files, "mnu_SaveState", "Sav&e State...");
  Entry(files, "mnu_LoadState", "Loa&d State...");
  Entry(files, "mnu_RunTests", "Run &Tests...", QKeySequence(Qt::CTRL | Qt::Key_T));
  files->addSeparator()->setObjectName("mnu_File_Sep2");
  Entry(files, "mnu_Exit", "E&xit");
  RefreshRecent();

  QAction* settings = bar->addAction("&Settings");
  settings->setObjectName("mnu_Setting");
  connect(settings, &QAction::triggered, this, commands_["mnu_Setting"]);

  QMenu* speed = bar->addMenu("S&peed");
  speed->setObjectName("mnu_Speed");
  auto* speeds = new QActionGroup(speed);
  for (int factor : PanelModel::kSpeeds) {
    QAction* a = speed->addAction(QString::fromStdString(PanelModel::SpeedName(factor)));
    a->setObjectName(QString("mnu_Speed_%1").arg(factor));
    a->setCheckable(true);
    a->setChecked(factor == speed_factor);
    speeds->addAction(a);
    connect(a, &QAction::triggered, this, [set_speed, factor] { set_speed(factor); });
  }

  QMenu* view = bar->addMenu("&View");
  view->setObjectName("mnu_View");
  Entry(view, "mnu_Monitor", "&Monitor", QKeySequence(Qt::CTRL | Qt::Key_M));
  Entry(view, "mnu_Editor", "&Editor", QKeySequence(Qt::CTRL | Qt::Key_E));

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("mnu_Help");
  Entry(help, "mnu_Keyboard", "&Keyboard");
  Entry(help, "mnu_About", "&About");
  NameMenus(bar);
}

void Menus::BuildEditorMenus(QMenuBar* bar, const std::function<void(const char*)>& edit_command) {
  bar->setObjectName("menuBar_Editor");
  bar->setAccessibleName("Editor menus");
  QMenu* files = bar->addMenu("&Files");
  files->setObjectName("mnu_EditorFiles");
  for (const char* name : {"mnu_NewSource", "mnu_OpenSource", "mnu_SaveSource", "mnu_SaveSourceAs"})
    files->addAction(shared_.at(name));
  recent_menus_.push_back(SubMenu(files, "mnu_EditorRecent", "Recent &Files"));
  FillSamples(SubMenu(files, "mnu_EditorSamples", "Sa&mples"));
  files->addSeparator();
  files->addAction(shared_.at("mnu_Reassemble"));
  files->addAction(shared_.at("mnu_RunTests"));
  RefreshRecent();

  QMenu* edit = bar->addMenu("&Edit");
  edit->setObjectName("mnu_Edit");
  for (const auto& e : EditEntries()) {
    QAction* a = Entry(edit, e.name, e.text, e.key);
    const char* name = e.name;
    connect(a, &QAction::triggered, this, [edit_command, name] { edit_command(name); });
  }

  QMenu* debug = bar->addMenu("&Debug");
  debug->setObjectName("mnu_Debug");
  const char* texts[] = {"&Step", "Step &Over", "Run / &Continue", "S&top", "Step &Back", "Run to C&ursor", "&Reset (RST)"};
  for (size_t i = 0; i < debug_->Actions().size(); ++i) {
    QAction* a = debug_->Actions()[i];
    // The menu names the access key; the toolbar shows the plain text.
    auto* entry = debug->addAction(texts[i]);
    entry->setObjectName(a->objectName() + "_Menu");
    connect(entry, &QAction::triggered, a, &QAction::trigger);
    connect(a, &QAction::enabledChanged, entry, &QAction::setEnabled);
    entry->setEnabled(a->isEnabled());
  }
  debug->addSeparator();
  const EditEntry& t = ToggleEntry();
  QAction* toggle = Entry(debug, t.name, t.text, t.key);
  connect(toggle, &QAction::triggered, this, [edit_command] { edit_command("mnu_ToggleBreakpoint"); });
  QMenu* view = bar->addMenu("&View");
  view->setObjectName("mnu_EditorView");
  view->addAction(shared_.at("mnu_Monitor"));
  NameMenus(bar);
}

void Menus::AddFileKeys(QWidget* window) const {
  // The editor's own entries act on its text and stay there.
  const auto editor_only = [](const QString& name) {
    return name == ToggleEntry().name || std::any_of(EditEntries().begin(), EditEntries().end(),
                                                     [&name](const EditEntry& e) { return name == e.name; });
  };
  for (const auto& [name, action] : shared_)
    if (!action->shortcut().isEmpty() && !editor_only(name)) window->addAction(action);
}

void Menus::FillSamples(QMenu* menu) {
  const QStringList names = QDir(samples_dir_).entryList({"*.s", "*.S"}, QDir::Files, QDir::Name);
  for (const QString& name : names) {
    QAction* a = menu->addAction(name);
    a->setObjectName("mnu_Sample_" + QFileInfo(name).completeBaseName());
    const QString path = QDir(samples_dir_).filePath(name);
    connect(a, &QAction::triggered, this, [this, path] { open_source_(path); });
  }
  if (names.isEmpty()) menu->addAction("(no samples found)")->setEnabled(false);
}

void Menus::RefreshRecent() {
  const QStringList recent = RecentSources();
  for (QMenu* menu : recent_menus_) {
    menu->clear();
    for (const QString& path : recent) {
      QAction* a = menu->addAction(QFileInfo(path).fileName());
      a->setToolTip(path);
      connect(a, &QAction::triggered, this, [this, path] { open_source_(path); });
    }
    if (recent.isEmpty()) menu->addAction("(none yet)")->setEnabled(false);
  }
}

// Every action with a key in the panel's menu bar, walked as it stands, so
// that entries added by any part of the window are listed too.
void CollectKeyed(const QList<QAction*>& actions, std::vector<const QAction*>* out) {
  for (const QAction* a : actions) {
    if (a->menu() != nullptr) CollectKeyed(a->menu()->actions(), out);
    if (!a->shortcut().isEmpty() && std::find(out->begin(), out->end(), a) == out->end()) out->push_back(a);
  }
}

QString Menus::KeyboardText() const {
  QString text = KeyboardHelpText();
  text += "\n\nMenus and windows:\n";
  auto line = [](const QAction* a) {
    return QString("%1\t%2\n").arg(a->shortcut().toString(QKeySequence::NativeText), QString(a->text()).remove('&'));
  };
  std::vector<const QAction*> keyed;
  if (panel_bar_ != nullptr) CollectKeyed(panel_bar_->actions(), &keyed);
  for (const QAction* a : keyed) text += line(a);
  // The editor's entries from their table: the editor's menus may not be built yet.
  text += "\nIn the editor:\n";
  std::vector<EditEntry> edits = EditEntries();
  edits.push_back(ToggleEntry());
  for (const EditEntry& e : edits)
    text += QString("%1\t%2\n").arg(e.key.toString(QKeySequence::NativeText), QString(e.text).remove('&'));
  text += "\nIn the editor and the Monitor:\n";
  for (const QAction* a : debug_->Actions()) text += line(a);
  text += "\nIn the Monitor's disassembly:\nCtrl+B\tToggle Breakpoint\n";
  return text;
}

}  // namespace scmp
