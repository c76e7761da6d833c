#include "ui/editor_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "core/safe_save.h"
#include "files/file_kind.h"
#include "trainer/register_strip.h"
#include "trainer/run_control.h"
#include "ui/accessibility.h"
#include "ui/background_check.h"
#include "ui/check_list.h"
#include "ui/code_editor.h"
#include "ui/file_chooser.h"
#include "ui/source_highlighter.h"

namespace scmp {

namespace {
constexpr int kTypingPauseMs = 500;
constexpr int kRecentCount = 8;
// The same list the panel's loads go into (ui/remembered_settings.cpp).
const char* const kRecentKey = "recentFiles";
const char* const kUntitled = "untitled.s";
const QString kChangedNote = QStringLiteral("Changed since assembled: press Ctrl+R");

QString Bytes(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
}  // namespace

// At most the list's own count, whatever the settings file holds.
QStringList RecentSources() { return QSettings().value(kRecentKey).toStringList().mid(0, kRecentCount); }

void AddRecentSource(const QString& given) {
  // Absolute, so that one file is one entry wherever it was named from.
  const QString path = QFileInfo(given).absoluteFilePath();
  QStringList recent = RecentSources();
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > kRecentCount) recent.removeLast();
  QSettings().setValue(kRecentKey, recent);
}

EditorWindow::EditorWindow(PanelModel& model, QWidget* parent) : QMainWindow(parent, Qt::Window), model_(model) {
  setObjectName("frm_Editor");
  setAccessibleName("Editor");
  setAcceptDrops(true);
  editor_ = new CodeEditor(this);
  editor_->setAcceptDrops(false);  // files dropped on the text open here
  highlighter_ = new SourceHighlighter(model_.Cpu().table(), editor_->document());
  messages_ = new QListWidget(this);
  messages_->setObjectName("lst_Messages");
  messages_->setAccessibleName("Messages of the last assembly");

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  registers_ = new QLabel(central);
  registers_->setObjectName("lbl_RegisterStrip");
  registers_->setAccessibleName("Registers");
  registers_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  registers_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  registers_->setContentsMargins(6, 2, 6, 2);
  layout->addWidget(registers_);
  auto* split = new QSplitter(Qt::Vertical, central);
  split->setObjectName("spl_Editor");
  split->setAccessibleName("Source and messages");
  split->addWidget(editor_);
  split->addWidget(messages_);
  split->setStretchFactor(0, 5);
  split->setStretchFactor(1, 1);
  layout->addWidget(split, 1);
  layout->addWidget(BuildFindBar());
  setCentralWidget(central);
  status_ = new QLabel(this);
  status_->setObjectName("lbl_EditorStatus");
  // Its name is its text, so that a screen reader reads what it says.
  status_->setAccessibleDescription("Editor status");
  statusBar()->addWidget(status_, 1);
  statusBar()->setAccessibleName("Editor status bar");

  check_ = new BackgroundCheck(
      [this](const std::vector<Diagnostic>& diagnostics, uint64_t stamp) {
        if (!text_stamp_valid_ || stamp == text_stamp_) ShowDiagnostics(diagnostics);
      },
      this);
  check_->setObjectName("obj_BackgroundCheck");
  typing_pause_.setSingleShot(true);
  typing_pause_.setInterval(kTypingPauseMs);
  connect(&typing_pause_, &QTimer::timeout, this, [this] { CheckAsYouType(); });
  connect(editor_->document(), &QTextDocument::contentsChanged, this, [this] {
    // The colouring's passes signal a change too: only a new text counts.
    const QByteArray text = editor_->toPlainText().toUtf8();
    const uint64_t stamp = LineMap::StampOf(std::string_view(text.constData(), text.size()));
    if (text_stamp_valid_ && stamp == text_stamp_) return;
    text_stamp_ = stamp;
    text_stamp_valid_ = true;
    typing_pause_.start();
    NoteChangeSinceAssembled();
  });
  connect(editor_->document(), &QTextDocument::modificationChanged, this, [this] { ShowTitle(); });
  connect(editor_, &CodeEditor::MarginClicked, this, [this](int line) { ToggleBreakpoint(line); });
  connect(messages_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    editor_->GoTo(item->data(Qt::UserRole).toInt(), item->data(Qt::UserRole + 1).toInt());
  });
  connect(messages_, &QListWidget::itemClicked, messages_, &QListWidget::itemActivated);
  resize(760, 640);
  ShowTitle();
}

QWidget* EditorWindow::BuildFindBar() {
  find_bar_ = new QWidget(this);
  find_bar_->setObjectName("frm_Find");
  auto* row = new QHBoxLayout(find_bar_);
  row->setContentsMargins(4, 2, 4, 2);
  find_ = new QLineEdit(find_bar_);
  find_->setObjectName("edt_Find");
  find_->setAccessibleName("Find");
  find_->setPlaceholderText("Find");
  replace_ = new QLineEdit(find_bar_);
  replace_->setObjectName("edt_Replace");
  replace_->setAccessibleName("Replace with");
  replace_->setPlaceholderText("Replace with");
  auto button = [&](const char* name, const QString& text, void (EditorWindow::*act)()) {
    auto* b = new QPushButton(text, find_bar_);
    b->setObjectName(name);
    b->setAccessibleName(QString(text).remove('&'));
    connect(b, &QPushButton::clicked, this, act);
    return b;
  };
  row->addWidget(find_, 2);
  row->addWidget(button("cmd_FindNext", "&Next", &EditorWindow::FindNext));
  row->addWidget(replace_, 2);
  row->addWidget(button("cmd_Replace", "Re&place", &EditorWindow::ReplaceOne));
  row->addWidget(button("cmd_ReplaceAll", "Replace A&ll", &EditorWindow::ReplaceAll));
  connect(find_, &QLineEdit::returnPressed, this, &EditorWindow::FindNext);
  // Tab goes from the search text to its replacement, then to the buttons.
  setTabOrder(find_, replace_);
  auto* hide = new QShortcut(QKeySequence(Qt::Key_Escape), find_bar_, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  connect(hide, &QShortcut::activated, this, [this] {
    find_bar_->hide();
    editor_->setFocus();
  });
  find_bar_->hide();
  return find_bar_;
}

// ---- Files ---------------------------------------------------------------------------

std::string EditorWindow::Name() const {
  return path_.isEmpty() ? kUntitled : QFile::encodeName(path_).toStdString();
}

bool EditorWindow::Modified() const { return editor_->document()->isModified(); }

bool EditorWindow::HoldsSource() const { return !path_.isEmpty() || !editor_->document()->isEmpty(); }

void EditorWindow::ShowTitle() {
  const QString name = path_.isEmpty() ? kUntitled : QFileInfo(path_).fileName();
  setWindowTitle(QString("%1%2 - Editor").arg(name, Modified() ? " *" : ""));
}

void EditorWindow::SetText(const QString& text, const QString& path) {
  path_ = path;
  editor_->SetBreakpointLines({});
  editor_->SetNextLine(0);
  editor_->setPlainText(text);
  editor_->MarkUnedited();
  editor_->document()->setModified(false);
  ShowDiagnostics({});
  typing_pause_.stop();
  ShowTitle();
  ShowMachine();
}

bool EditorWindow::MaySetAside() {
  if (!Modified()) return true;
  QMessageBox box(QMessageBox::Warning, "Unsaved changes",
                  QString("%1 has changes that are not saved.").arg(path_.isEmpty() ? kUntitled : QFileInfo(path_).fileName()),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setObjectName("msg_Unsaved");
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
    case QMessageBox::Save: return Save();
    case QMessageBox::Discard: return true;
    default: return false;
  }
}

void EditorWindow::NewSource() {
  if (!MaySetAside()) return;
  format_ = SourceFormat{};
  SetText("; A new program\n\t.org\t0x001\n", QString());
  // Typing goes on at the end of the new text.
  editor_->moveCursor(QTextCursor::End);
  editor_->setFocus();
  Say("New source: write the program, then Ctrl+R assembles and loads it.");
}

bool EditorWindow::OpenSource(const QString& path) {
  if (QFileInfo(path) == QFileInfo(path_) && !Modified()) {
    ReloadIfChangedOnDisk();
    return true;
  }
  // Read before the text on screen is set aside: a file the editor may not
  // open (a pipe, /dev/zero, a folder, a binary file) changes nothing.
  QString text, error, note;
  SourceFormat format;
  if (!ReadSourceText(path, &text, &format, &error, &note)) {
    QMessageBox box(QMessageBox::Warning, "Open Source", QString("%1 cannot be opened: %2.").arg(path, error),
                    QMessageBox::Ok, this);
    box.setObjectName("msg_CannotOpen");
    box.setAccessibleName("Cannot open");
    box.exec();
    return false;
  }
  if (!MaySetAside()) return false;
  format_ = format;
  SetText(text, path);
  if (!note.isEmpty()) Say(note);
  AddRecentSource(path);
  emit RecentChanged();
  return true;
}

bool EditorWindow::WriteTo(const QString& path) {
  editor_->TrimTrailingBlanks();
  std::string error, bytes;
  int bad_line = 0;
  if (!SourceBytes(DocumentText(*editor_->document()), format_, &bytes, &bad_line)) {
    QMessageBox::warning(this, "Save Source",
                         QString("%1 was not saved: the file is not UTF-8, so each character is kept as one byte, "
                                 "and line %2 holds a character that no byte stands for. Remove it, or copy the "
                                 "text into a new source (New Source), which is saved as UTF-8.")
                             .arg(QFileInfo(path).fileName())
                             .arg(bad_line));
    return false;
  }
  if (!SaveFileSafely(QFile::encodeName(path).toStdString(), bytes, &error, "the source")) {
    QMessageBox::warning(this, "Save Source", Bytes(error));
    return false;
  }
  path_ = path;
  editor_->document()->setModified(false);
  AddRecentSource(path);
  emit RecentChanged();
  ShowTitle();
  Say("Saved " + path);
  return true;
}

// An unchanged text is not written again: nothing changes on disk that the
// user did not change.
bool EditorWindow::Save() {
  if (path_.isEmpty()) return SaveAs();
  if (!Modified()) {
    Say(QFileInfo(path_).fileName() + " has no changes to save; the file is left as it is.");
    return true;
  }
  return WriteTo(path_);
}

bool EditorWindow::SaveAs() {
  FileChooser chooser(FileChooser::Kind::kSaveSource, model_, this);
  if (!path_.isEmpty()) chooser.Propose(path_);
  if (chooser.exec() != QDialog::Accepted || chooser.ChosenPath().empty()) return false;
  QString path = QFile::decodeName(chooser.ChosenPath().c_str());
  if (QFileInfo(path).suffix().isEmpty()) path += ".s";
  return WriteTo(path);
}

// Edited in another program and saved there: the editor takes it up
// rather than assemble the old text.
void EditorWindow::ReloadIfChangedOnDisk() {
  if (path_.isEmpty() || Modified()) return;
  QString text, error, note;
  SourceFormat format;
  if (!ReadSourceText(path_, &text, &format, &error, &note)) return;
  if (text == DocumentText(*editor_->document())) return;
  const std::vector<int> breakpoints = editor_->BreakpointLines();
  format_ = format;
  SetText(text, path_);
  editor_->SetBreakpointLines(breakpoints);
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  // The window only hides: the text stays for Ctrl+R and View > Editor.
  event->accept();
}

void EditorWindow::dragEnterEvent(QDragEnterEvent* event) {
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile() && KindOfFile(QFile::encodeName(url.toLocalFile()).toStdString()) == FileKind::kSource) {
      event->acceptProposedAction();
      return;
    }
}

void EditorWindow::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile() && KindOfFile(QFile::encodeName(url.toLocalFile()).toStdString()) == FileKind::kSource) {
      event->acceptProposedAction();
      const QString path = url.toLocalFile();
      QTimer::singleShot(0, this, [this, path] { OpenSource(path); });
      return;
    }
}

void EditorWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) highlighter_->Recolour();
}

// ---- Assembling -------------------------------------------------------------------------

bool EditorWindow::AssembleAndLoad(SourceLoad* result) {
  ReloadIfChangedOnDisk();
  typing_pause_.stop();
  const LineMap before = model_.Lines();
  const QByteArray text = editor_->toPlainText().toUtf8();
  const bool loaded = model_.AssembleText(Name(), std::string_view(text.constData(), text.size()), result);
  ShowDiagnostics(result->diagnostics);
  if (!loaded) {
    Say(Bytes(result->error));
    return false;
  }
  const std::vector<int> without_code = PlaceSourceBreakpoints(model_, before, editor_->BreakpointLines());
  // A new program starts afresh, as after RST.
  const std::string reset = ResetForNewProgram(model_);
  mark_note_.clear();
  const QString dropped = without_code.empty() ? QString()
                          : QString("; %1 breakpoint(s) dropped: their lines hold no instruction").arg(without_code.size());
  Say(Bytes(result->report) + " loaded; " + Bytes(reset) + dropped);
  ShowMachine();
  return true;
}

// After a pause in typing: the marks only, nothing loaded.
// The assembly runs off the window's thread (ui/background_check); its
// messages are shown only if the text is still the one checked.
void EditorWindow::CheckAsYouType() {
  const QByteArray text = editor_->toPlainText().toUtf8();
  const std::string source(text.constData(), text.size());
  check_->Start(source, Name(), model_.Cpu().table(), LineMap::StampOf(source));
}

void EditorWindow::ShowDiagnostics(const std::vector<Diagnostic>& diagnostics) {
  auto same = [](const Diagnostic& a, const Diagnostic& b) {
    return a.line == b.line && a.column == b.column && a.severity == b.severity && a.message == b.message;
  };
  // Unchanged marks are not coloured again.
  if (messages_->count() > 0 && std::equal(diagnostics.begin(), diagnostics.end(), shown_.begin(), shown_.end(), same))
    return;
  shown_ = diagnostics;
  editor_->SetDiagnostics(diagnostics);
  highlighter_->SetDiagnostics(diagnostics);
  messages_->clear();
  checks_listed_ = 0;  // listed again under the new messages
  // A note (where the code starts, a MESSAGE) is no fault: the list says
  // so first.
  const bool faults = std::any_of(diagnostics.begin(), diagnostics.end(),
                                  [](const Diagnostic& d) { return d.severity != Severity::kNote; });
  if (!faults) new QListWidgetItem("No errors or warnings.", messages_);
  for (const Diagnostic& d : diagnostics) {
    const QString where = QString("%1:%2").arg(d.line).arg(d.column);
    auto* item = new QListWidgetItem(QString("%1: %2: %3").arg(where, SeverityName(d.severity), Bytes(d.message)),
                                     messages_);
    item->setData(Qt::UserRole, d.line);
    item->setData(Qt::UserRole + 1, d.column);
  }
}

void EditorWindow::ShowCheckWarnings() {
  const MemoryChecks& checks = model_.Checks();
  if (checks.Generation() != checks_generation_) {
    // The warnings of the program before: the last items of the list.
    for (; checks_listed_ > 0 && messages_->count() > 0; --checks_listed_) delete messages_->takeItem(messages_->count() - 1);
    checks_generation_ = checks.Generation();
    checks_listed_ = 0;
  }
  const std::vector<CheckWarning>& warnings = checks.Warnings();
  // "No errors or warnings." no longer holds once the checks warned.
  if (checks_listed_ == 0 && !warnings.empty() && shown_.empty() && messages_->count() == 1) messages_->clear();
  for (; checks_listed_ < warnings.size(); ++checks_listed_) {
    const CheckWarning& w = warnings[checks_listed_];
    auto* item = new QListWidgetItem(CheckLine(w, model_.Lines()), messages_);
    const SourcePlace place = model_.Lines().PlaceOf(w.instruction);
    if (place.line > 0 && place.file == Name()) {
      item->setData(Qt::UserRole, place.line);
      item->setData(Qt::UserRole + 1, 1);
    }
  }
}

// ---- Source-level debugging ---------------------------------------------------------------

bool EditorWindow::MapFitsText(QString* why) const {
  const LineMap& map = model_.Lines();
  if (!text_stamp_valid_) {
    const QByteArray text = editor_->toPlainText().toUtf8();
    text_stamp_ = LineMap::StampOf(std::string_view(text.constData(), text.size()));
    text_stamp_valid_ = true;
  }
  if (map.Empty() || map.MainFile() != Name()) {
    if (why) *why = "This text has not been assembled into memory: press Ctrl+R.";
    return false;
  }
  if (map.Stamp() != text_stamp_) {
    if (why) *why = kChangedNote;
    return false;
  }
  return true;
}

void EditorWindow::ShowMachine() {
  if (!model_.Running()) ShowRegisters();
  if (model_.Running() || !MapFitsText(nullptr)) {
    editor_->SetNextLine(0);
    mark_note_.clear();
    return;
  }
  const LineMap& map = model_.Lines();
  std::vector<int> lines;
  std::set<int> disabled;
  for (const auto& [address, breakpoint] : model_.Debug().BreakpointList()) {
    const SourcePlace place = map.PlaceOf(address);
    if (place.line <= 0 || place.file != map.MainFile()) continue;
    lines.push_back(place.line);
    if (!breakpoint.enabled) disabled.insert(place.line);
  }
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  if (lines != editor_->BreakpointLines()) editor_->SetBreakpointLines(lines);
  editor_->SetDisabledBreakpointLines(std::move(disabled));
  // After Show the mark stays on the instruction the test failed after,
  // until the machine moves.
  if (pinned_address_ >= 0 && model_.State().P[0] != pinned_p0_) pinned_address_ = -1;
  if (pinned_address_ >= 0) {
    const SourcePlace pinned = map.PlaceOf(pinned_address_);
    editor_->SetNextLine(pinned.file == map.MainFile() ? pinned.line : 0);
    return;
  }
  // The mark after every load, step, stop and RST; off the program's lines
  // the status says where P0 is instead.
  const NextLineMark mark = NextLineMarkOf(model_);
  editor_->SetNextLine(mark.line);
  if (mark.elsewhere != mark_note_) {
    mark_note_ = mark.elsewhere;
    if (!mark_note_.empty()) Say(Bytes(mark_note_));
  }
}

void EditorWindow::ShowRegisters() {
  const QString registers = QString::fromStdString(RegisterStripText(model_));
  if (registers == registers_->text()) return;
  registers_->setText(registers);
  // The name carries the values, so that a screen reader reads them.
  registers_->setAccessibleName("Registers: " + registers);
}

// After each edit: the mark and the breakpoints' lines no longer fit a
// changed text, which the status says at once, and fit again when the
// edits are undone back to the assembled text.
void EditorWindow::NoteChangeSinceAssembled() {
  const LineMap& map = model_.Lines();
  if (map.Empty() || map.MainFile() != Name()) return;
  const bool changed = map.Stamp() != text_stamp_;
  if (changed) {
    editor_->SetNextLine(0);
    mark_note_.clear();
    if (status_->text() != kChangedNote) Say(kChangedNote);
  } else if (status_->text() == kChangedNote) {
    Say(QString());
    ShowMachine();
  }
}

void EditorWindow::PinInstruction(int address) {
  pinned_address_ = address;
  pinned_p0_ = model_.State().P[0];
  const SourcePlace place = model_.Lines().PlaceOf(address);
  if (place.line > 0 && place.file == Name()) {
    editor_->GoTo(place.line, 1);
    Say(QString("The test failed after the instruction of line %1; Step goes on with the next one.").arg(place.line));
  }
}

void EditorWindow::ToggleBreakpoint(int line) {
  QString why;
  if (!MapFitsText(&why)) {
    Say(why);
    return;
  }
  const int address = model_.Lines().FirstInstruction(Name(), line);
  if (address < 0) {
    Say(QString("Line %1 holds no instruction: put the breakpoint on a line with one.").arg(line));
    return;
  }
  if (!model_.SetBreakpoint(address, !model_.Debug().IsBreakpoint(address))) {
    Say("Stop the program before changing breakpoints.");
    return;
  }
  Say(QString("Breakpoint %1 at line %2 (address %3).")
          .arg(model_.Debug().IsBreakpoint(address) ? "set" : "cleared")
          .arg(line)
          .arg(address, 3, 16, QChar('0')));
  ShowMachine();
  emit MachineChanged();
}

int EditorWindow::CursorAddress(QString* why) const {
  if (!MapFitsText(why)) return -1;
  const int line = editor_->CurrentLine();
  const int address = model_.Lines().FirstInstruction(Name(), line);
  if (address < 0) *why = QString("Line %1 holds no instruction: put the cursor on a line with one.").arg(line);
  return address;
}

// In the status line, and spoken at once to a screen reader.
void EditorWindow::Say(const QString& text) {
  status_->setText(text);
  Announce(this, text);
}

void EditorWindow::ShowErrors() {
  show();
  raise();
  activateWindow();
  for (int row = 0; row < messages_->count(); ++row) {
    if (!messages_->item(row)->text().contains(": error: ")) continue;
    messages_->setCurrentRow(row);
    break;
  }
  messages_->setFocus();
}

// ---- Find and replace -----------------------------------------------------------------------

void EditorWindow::ShowFind() {
  find_bar_->show();
  const QString selected = editor_->textCursor().selectedText();
  if (!selected.isEmpty()) find_->setText(selected);
  find_->setFocus();
  find_->selectAll();
}

void EditorWindow::FindNext() {
  if (find_->text().isEmpty()) return;
  if (editor_->find(find_->text())) return;
  QTextCursor start = editor_->textCursor();
  start.movePosition(QTextCursor::Start);
  editor_->setTextCursor(start);
  if (!editor_->find(find_->text())) Say(QString("\"%1\" is not in the text.").arg(find_->text()));
}

void EditorWindow::ReplaceOne() {
  QTextCursor c = editor_->textCursor();
  if (c.hasSelection() && c.selectedText() == find_->text()) c.insertText(replace_->text());
  FindNext();
}

// One undo step for all of them.
void EditorWindow::ReplaceAll() {
  if (find_->text().isEmpty()) return;
  QTextCursor edit(editor_->document());
  edit.beginEditBlock();
  int count = 0;
  for (QTextCursor c = editor_->document()->find(find_->text()); !c.isNull();
       c = editor_->document()->find(find_->text(), c)) {
    c.insertText(replace_->text());
    ++count;
  }
  edit.endEditBlock();
  Say(QString("%1 replaced.").arg(count));
}

}  // namespace scmp
