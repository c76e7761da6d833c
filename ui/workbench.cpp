// The panel window's part in the workbench: the menus' commands, the
// editor and the debugging toolbar shared by the editor and the Monitor.
#include <QApplication>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>

#include "files/file_kind.h"
#include "ui/check_list.h"
#include "ui/code_editor.h"
#include "ui/debug_actions.h"
#include "ui/editor_window.h"
#include "ui/file_chooser.h"
#include "ui/keyboard_help.h"
#include "ui/main_window.h"
#include "ui/menus.h"
#include "ui/monitor_window.h"
#include "ui/panel_keys.h"
#include "ui/test_results_window.h"

namespace scmp {

// The menus live in ui/menus.cpp; here is what their entries do.
void PanelWindow::BuildMenus() {
  debug_ = new DebugActions(
      model_, [this](const std::function<void()>& operation) { RunOperation(operation); },
      [this](QString* why) { return CursorAddress(why); }, this);
  const MenuCommands commands = {
      {"mnu_OpenMem", [this] { ShowOpenMem(); }},
      {"mnu_SavMem_As", [this] { ShowSaveMem(); }},
      {"mnu_LoadAsm", [this] { ShowLoadAsm(); }},
      {"mnu_AsmSource", [this] { ShowAssembleSource(); }},
      {"mnu_Reassemble", [this] { Reassemble(); }},
      {"mnu_LoadHex", [this] { ShowLoadHex(); }},
      {"mnu_NewSource", [this] { ShowEditor()->NewSource(); }},
      {"mnu_OpenSource", [this] { OpenSourceFromDialog(); }},
      {"mnu_SaveSource", [this] { ShowEditor()->Save(); }},
      {"mnu_SaveSourceAs", [this] { ShowEditor()->SaveAs(); }},
      {"mnu_SaveState", [this] { SaveStateAs(); }},
      {"mnu_LoadState", [this] { LoadStateFrom(); }},
      {"mnu_RunTests", [this] { ShowTestResults(); }},
      {"mnu_Exit", [this] { close(); }},
      {"mnu_Setting", [this] { ShowSettings(); }},
      {"mnu_Monitor", [this] { ShowMonitor(); }},
      {"mnu_Editor", [this] { ShowEditor(); }},
      {"mnu_Keyboard", [this] { ShowKeyboardHelp(this, menus_->KeyboardText()); }},
      {"mnu_About", [this] { QMessageBox::about(this, "About SC/MP Trainer", AboutText(model_.DataDir())); }},
  };
  // A sample or a recent file: a source opens in the editor, any other
  // kind loads as Files > Open does.
  const auto open = [this](const QString& path) {
    const std::string native = QFile::encodeName(path).toStdString();
    if (KindOfFile(native) == FileKind::kSource)
      ShowEditor()->OpenSource(path);
    else
      LoadFile(native);
  };
  menus_ = new Menus(commands, open,
                     QString::fromLocal8Bit(model_.DataDir().c_str()) + "Samples", debug_, this);
  menus_->BuildPanelMenus(menuBar(), model_.Options().speed_factor,
                          [this](int factor) { Operation([this, factor] { model_.SetSpeed(factor); }); });
  AddLookEntries(menuBar()->findChild<QMenu*>("mnu_View"));
  AddCheckEntries(menuBar()->findChild<QMenu*>("mnu_View"), model_);
  AddGuideEntry(menuBar()->findChild<QMenu*>("mnu_Help"));
}

// Files > Run Tests...: Show on a failed test opens the Monitor and the
// editor where the test went wrong.
void PanelWindow::ShowTestResults() {
  if (!test_results_) {
    test_results_ = new TestResultsWindow(model_, this);
    connect(test_results_, &TestResultsWindow::FailureShown, this, [this](int address) {
      // The lamps as the test saw them at that moment, not dimmed by their
      // share of the replay's time.
      model_.SampleLampShares();
      ShowMonitor();
      // The Monitor and the editor on the instruction that failed, not on the
      // one after it.
      monitor_->ShowAddress(address, true);
      // The source the test ran, in the editor with the failing line marked.
      if (!model_.Lines().Empty()) {
        EditorWindow* editor = ShowEditor();
        const QString source = QString::fromLocal8Bit(model_.SourcePath().c_str());
        if (QFileInfo(editor->Path()).absoluteFilePath() != QFileInfo(source).absoluteFilePath() && !editor->Modified())
          editor->OpenSource(source);
        editor->PinInstruction(address);
        editor->ShowMachine();
      }
      Refresh();
    });
  }
  QString source = editor_ && !editor_->Path().isEmpty() ? editor_->Path() : QString();
  if (source.isEmpty() && !model_.SourcePath().empty()) source = QString::fromLocal8Bit(model_.SourcePath().c_str());
  test_results_->ChooseAndRun(source);
}

EditorWindow* PanelWindow::Editor() const { return editor_.data(); }

EditorWindow* PanelWindow::ShowEditor() {
  if (!editor_) {
    editor_ = new EditorWindow(model_, this);
    // Beside the board, as tall as it, so that both stay in view.
    editor_->resize(editor_->width(), frameGeometry().height());
    editor_->move(frameGeometry().topRight() + QPoint(8, 0));
    editor_->SetToolBar(debug_->MakeToolBar(editor_, "tlb_EditorDebug"));
    menus_->BuildEditorMenus(editor_->menuBar(), [this](const char* command) { EditCommand(command); });
    connect(editor_, &EditorWindow::MachineChanged, this, [this] { Refresh(); });
    connect(editor_, &EditorWindow::RecentChanged, menus_, &Menus::RefreshRecent);
    connect(debug_, &DebugActions::Message, editor_, &EditorWindow::Say);
  }
  editor_->show();
  editor_->raise();
  editor_->activateWindow();
  return editor_;
}

void PanelWindow::EditCommand(const QString& command) {
  if (command == "mnu_Undo") editor_->Editor()->undo();
  if (command == "mnu_Redo") editor_->Editor()->redo();
  if (command == "mnu_Find") editor_->ShowFind();
  if (command == "mnu_FindNext") editor_->FindNext();
  if (command == "mnu_ToggleBreakpoint") editor_->ToggleBreakpoint(editor_->Editor()->CurrentLine());
}

void PanelWindow::OpenSourceFromDialog() {
  FileChooser chooser(FileChooser::Kind::kOpenSource, model_, this);
  if (chooser.exec() != QDialog::Accepted || chooser.ChosenPath().empty()) return;
  const QString path = QFile::decodeName(chooser.ChosenPath().c_str());
  if (!path.isEmpty()) ShowEditor()->OpenSource(path);
}

// Run to Cursor: the disassembly's selected row in the Monitor, else the
// editor's line.
int PanelWindow::CursorAddress(QString* why) const {
  if (monitor_ && QApplication::activeWindow() == monitor_) return monitor_->SelectedAddress(why);
  if (editor_) return editor_->CursorAddress(why);
  *why = "Open the editor or select a row of the Monitor's disassembly first.";
  return -1;
}

}  // namespace scmp
