// The editor's files as a user meets them: saving keeps every byte the user
// did not change (line ends, bytes that are not UTF-8, no-break spaces), only
// regular text files up to 16 MB open, by every way in, and Recent Files and
// the windows reopened at start are bounded by what the settings may name.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <QTextCursor>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include "ui/code_editor.h"
#include "ui/editor_window.h"
#include "ui/main_window.h"
#include "tests/support/gui_support.h"
#include "tests/support/window_fixture.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;
using test::Find;

class EditorFilesTest : public test::PanelWindowTest {
 protected:
  void SetUp() override {
    PanelWindowTest::SetUp();
    editor = window->ShowEditor();
    code = editor->Editor();
  }
  void Save() { Find<QAction>(window.get(), "mnu_SaveSource")->trigger(); }
  // The text of the box the next modal shows, which is then closed.
  void NoteNextBox(QString* text) {
    test::WhenModal([text](QWidget* box) {
      *text = qobject_cast<QMessageBox*>(box)->text();
      box->close();
    });
  }
  EditorWindow* editor = nullptr;
  CodeEditor* code = nullptr;
};

// Opened and saved without an edit, a file is not written; after an edit at
// its top, the rest of its bytes are as they were, each line end in the
// file's own style.
TEST_F(EditorFilesTest, SavingKeepsTheBytesTheUserDidNotChange) {
  const struct {
    const char* name;
    std::string bytes;
    const char* line_end;  // what an added line ends with
  } cases[] = {
      {"crlf.s", "\tLDI\t1\r\n\tHALT\r\n", "\r\n"},
      {"cr.s", "\tLDI\t1\r\tHALT\r", "\r"},
      {"lf.s", "\tLDI\t1\n\tHALT", "\n"},
      {"blanks.s", "\tLDI\t1\n\tHALT \t\n", "\n"},  // blanks on a line not edited stay
      {"latin1.s", "; caf\xE9 \xA0 \x80\xFF\r\n\tHALT\r\n", "\r\n"},  // not UTF-8: one byte a character
      {"utf8.s", "\xEF\xBB\xBF; no-break\xC2\xA0space \xE2\x82\xAC\n\tHALT\n", "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = data.temp.Write(c.name, c.bytes);
    ASSERT_TRUE(editor->OpenSource(QString::fromStdString(path)));
    const auto written = fs::last_write_time(path);
    ::usleep(10000);
    Save();
    EXPECT_EQ(test::ReadFile(path), c.bytes);
    EXPECT_EQ(fs::last_write_time(path), written) << "an unchanged text was written again";

    QTextCursor top(code->document());
    top.insertText("; new\n");
    Save();
    // A UTF-8 byte order mark stays the file's first bytes.
    const std::string mark = c.bytes.starts_with("\xEF\xBB\xBF") ? "\xEF\xBB\xBF" : "";
    EXPECT_EQ(test::ReadFile(path), mark + "; new" + c.line_end + c.bytes.substr(mark.size()));
    EXPECT_FALSE(editor->Modified());
  }
  // A character that a file of one byte a character cannot hold is not
  // written as "?": the save is refused, line named, the file unchanged.
  const std::string path = data.temp.Write("old.s", "; \xE9t\xE9\n\tHALT\n");
  ASSERT_TRUE(editor->OpenSource(QString::fromStdString(path)));
  QTextCursor end(code->document());
  end.movePosition(QTextCursor::End);
  end.insertText(QString::fromUtf8("; \xE2\x82\xAC\n"));
  QString told;
  NoteNextBox(&told);
  Save();
  EXPECT_TRUE(told.contains("line 3")) << told.toStdString();
  EXPECT_EQ(test::ReadFile(path), "; \xE9t\xE9\n\tHALT\n");
  EXPECT_TRUE(editor->Modified());
}

// A pipe, /dev/zero through a link, a folder, a binary file and one past
// 16 MB are refused in the command line's words, by Open and by Recent
// Files, and the text on screen stays.
TEST_F(EditorFilesTest, OnlyRegularTextFilesUpTo16MBOpen) {
  const std::string fifo = data.temp.File("pipe.s");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string zero = data.temp.File("zero.s");
  fs::create_symlink("/dev/zero", zero);
  const std::string folder = data.temp.File("folder.s");
  fs::create_directory(folder);
  std::string binary(4100, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7);
  const std::string program = data.temp.Write("prog.s", binary);
  const std::string big = data.temp.File("big.s");
  fs::resize_file(data.temp.Write("big.s", ""), (16u << 20) + 1);
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {fifo, "it is not a regular file"},     {zero, "it is not a regular file"},
      {folder, "it is a folder"},             {program, "it is not a text file"},
      {big, "it is larger than 16 MB"},
  };
  const QString kept = "\tHALT\n";
  code->setPlainText(kept);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    QString told;
    NoteNextBox(&told);
    EXPECT_FALSE(editor->OpenSource(QString::fromStdString(c.path)));
    EXPECT_TRUE(told.contains(c.reason)) << told.toStdString();
    EXPECT_EQ(code->toPlainText(), kept);

    QSettings().setValue("recentFiles", QStringList{QString::fromStdString(c.path)});
    auto* recent = Find<QMenu>(window.get(), "mnu_Recent");
    emit recent->aboutToShow();
    ASSERT_FALSE(recent->actions().isEmpty());
    told.clear();
    NoteNextBox(&told);
    recent->actions().front()->trigger();
    EXPECT_TRUE(told.contains(c.reason)) << told.toStdString();
    EXPECT_EQ(code->toPlainText(), kept);
  }
}

// Settings as anyone may write them: ten thousand recent files show as the
// list's eight, and windows named to reopen at start can neither end the
// program nor bring up a file window; the Monitor still reopens.
TEST_F(EditorFilesTest, RememberedSettingsAreBoundedAtStart) {
  QStringList many;
  for (int i = 0; i < 10003; ++i) many << QString("/no/such/file%1.s").arg(i);
  QSettings().setValue("recentFiles", many);
  for (const char* name : {"mnu_Recent", "mnu_EditorRecent"}) {
    auto* recent = Find<QMenu>(window.get(), name);
    emit recent->aboutToShow();
    EXPECT_EQ(recent->actions().size(), 8) << name;
  }
  window->ReopenWindows({"frm_Exit", "frm_OpenSource", "frm_LoadAsm", "frm_RunTests", "frm_Monitor", "frm_Exit"});
  QTest::qWait(50);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  bool monitor_shown = false;
  for (QWidget* w : QApplication::topLevelWidgets()) monitor_shown |= w->objectName() == "frm_Monitor" && w->isVisible();
  EXPECT_TRUE(monitor_shown);
  QSettings().remove("recentFiles");
}

}  // namespace
}  // namespace scmp
