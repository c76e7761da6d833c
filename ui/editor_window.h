// The editor: one source file at a time, with the margin, the colouring,
// find and replace, the list of the last assembly's messages under the text,
// assembly as you type (marks only, nothing loaded) and the debugging
// toolbar. While the program stands still it marks the line of the next
// instruction; a click in the margin sets or clears a breakpoint on that
// line's first instruction. Both go through the panel model's line map and
// only while the text is the one that was assembled.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <string>
#include <vector>

#include "trainer/panel_model.h"
#include "ui/source_text_io.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QToolBar;

namespace scmp {

class BackgroundCheck;
class CodeEditor;
class SourceHighlighter;

class EditorWindow : public QMainWindow {
  Q_OBJECT

 public:
  EditorWindow(PanelModel& model, QWidget* parent = nullptr);

  // Save / Discard / Cancel when the text has unsaved changes: true when
  // the caller may go on (saved or discarded).
  bool MaySetAside();
  void NewSource();
  // Asks about unsaved changes first; false when cancelled or unreadable
  // (with a message).
  bool OpenSource(const QString& path);
  bool Save();
  bool SaveAs();
  // Assembles the text as it stands (saved or not) into memory; messages
  // marked and listed; breakpoints kept on their lines. A text not changed
  // here but changed on disk is read again first.
  bool AssembleAndLoad(SourceLoad* result);
  // What the assembler and the line map call the text.
  std::string Name() const;
  QString Path() const { return path_; }
  bool Modified() const;
  // A file is open or text was written: Ctrl+R assembles this text.
  bool HoldsSource() const;
  CodeEditor* Editor() const { return editor_; }
  // The next-instruction mark and the breakpoints, from the model.
  void ShowMachine();
  // The mark on the instruction at `address` (already run: the one a test
  // failed at) instead of the next one, until the machine moves on.
  void PinInstruction(int address);
  // The first instruction of the cursor's line, or -1 and why not.
  int CursorAddress(QString* why) const;
  // A breakpoint on the first instruction of `line`, or none; a line
  // without one, or a text changed since assembled, is said in the status.
  void ToggleBreakpoint(int line);
  void ShowFind();
  void FindNext();
  void Say(const QString& text);
  // After Ctrl+R found errors: the list of messages takes the keyboard,
  // on the first error (Return goes to its line).
  void ShowErrors();
  // The memory checks' warnings not yet listed, added under the messages,
  // each leading to its instruction's line.
  void ShowCheckWarnings();
  // The debugging toolbar and the menus are made elsewhere and put here.
  void SetToolBar(QToolBar* bar) { addToolBar(bar); }

 signals:
  // Breakpoints changed from here: the Monitor and the panel redraw.
  void MachineChanged();
  // Recent files changed.
  void RecentChanged();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* BuildFindBar();
  void ShowDiagnostics(const std::vector<Diagnostic>& diagnostics);
  void CheckAsYouType();
  bool MapFitsText(QString* why) const;
  void NoteChangeSinceAssembled();
  void ShowRegisters();
  void ReloadIfChangedOnDisk();
  void SetText(const QString& text, const QString& path);
  void ShowTitle();
  void ReplaceOne();
  void ReplaceAll();
  bool WriteTo(const QString& path);

  PanelModel& model_;
  CodeEditor* editor_ = nullptr;
  SourceHighlighter* highlighter_ = nullptr;
  QListWidget* messages_ = nullptr;
  QWidget* find_bar_ = nullptr;
  QLineEdit* find_ = nullptr;
  QLineEdit* replace_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* registers_ = nullptr;  // the register strip
  QTimer typing_pause_;
  BackgroundCheck* check_ = nullptr;  // the check as you type
  QString path_;
  SourceFormat format_;  // the file's line ends and encoding, used again on saving
  std::vector<Diagnostic> shown_;
  std::string mark_note_;  // where P0 stands, last said in the status
  int pinned_address_ = -1;  // PinInstruction's, while P0 is still pinned_p0_
  int pinned_p0_ = -1;
  uint64_t checks_generation_ = 0;  // of the warnings listed
  size_t checks_listed_ = 0;
  // The stamp of the text on screen, worked out again only after an edit.
  mutable uint64_t text_stamp_ = 0;
  mutable bool text_stamp_valid_ = false;
};

// Recent sources, newest first (kept in the settings).
QStringList RecentSources();
void AddRecentSource(const QString& path);

}  // namespace scmp
