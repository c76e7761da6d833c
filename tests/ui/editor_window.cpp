// The editor: errors marked on their lines, breakpoints from the margin
// stopping a run at their line, the line mark moved by the toolbar's steps,
// unsaved changes asked about, and menus whose access keys are distinct.
#include <QPlainTextEdit>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QApplication>
#include <set>

#include "ui/background_check.h"
#include "ui/code_editor.h"
#include "ui/editor_window.h"
#include "ui/main_window.h"
#include "tests/support/gui_support.h"
#include "tests/support/test_util.h"
#include "tests/support/window_fixture.h"

namespace scmp {
namespace {

using test::Find;

constexpr const char* kSum =
    "; adds 1 to E twice\n"  // 1
    "\t.org\t0x001\n"        // 2
    "\tLDI\t0\n"             // 3: 001
    "\tXAE\n"                // 4: 003
    "\tLDI\tH(ADD1)\n"       // 5: 004
    "\tXPAH\tP3\n"           // 6
    "\tLDI\tL(ADD1)-1\n"     // 7
    "\tXPAL\tP3\n"           // 8
    "\tXPPC\tP3\n"           // 9: 00A, the call
    "\tXPPC\tP3\n"           // 10: 00B, again
    "\tHALT\n"               // 11: 00C
    "EXIT:\tXPPC\tP3\n"      // 12: 00D, the return
    "ADD1:\tLDE\n"           // 13: 00E
    "\tADI\t1\n"             // 14
    "\tXAE\n"                // 15
    "\tJMP\tEXIT\n";         // 16

class EditorTest : public test::PanelWindowTest {
 protected:
  void SetUp() override {
    PanelWindowTest::SetUp();
    editor = window->ShowEditor();
    code = editor->Editor();
  }
  // Types `text` as the whole source and assembles it with Ctrl+R's action.
  bool Assemble(const QString& text) {
    if (!text.isNull()) code->setPlainText(text);
    Find<QAction>(window.get(), "mnu_Reassemble")->trigger();
    return model.Lines().Matches(code->toPlainText().toStdString());
  }
  void Act(const char* name) { Find<QAction>(window.get(), name)->trigger(); }
  QString Status() { return Find<QLabel>(editor, "lbl_EditorStatus")->text(); }

  EditorWindow* editor = nullptr;
  CodeEditor* code = nullptr;
};

TEST_F(EditorTest, ErrorsAreMarkedOnTheirLinesAndNothingIsLoaded) {
  model.Memory().data[1] = 0x77;
  EXPECT_FALSE(Assemble("\t.org\t1\n\tLDI\t1\n\tBOGUS\t2\n\tLD\tNOWHERE\n"));
  EXPECT_EQ(model.Memory().data[1], 0x77);  // all or nothing
  std::set<int> lines;
  for (const Diagnostic& d : code->Diagnostics()) lines.insert(d.line);
  EXPECT_EQ(lines, (std::set<int>{3, 4}));
  auto* list = Find<QListWidget>(editor, "lst_Messages");
  ASSERT_EQ(list->count(), 2);
  EXPECT_TRUE(list->item(0)->text().startsWith("3:2: error: ")) << list->item(0)->text().toStdString();
  // A click on a message goes to its line.
  emit list->itemClicked(list->item(1));
  EXPECT_EQ(code->CurrentLine(), 4);

  // Fixed; after the pause in typing the marks go, and nothing is loaded.
  code->setPlainText("\t.org\t1\n\tLDI\t1\n");
  for (int i = 0; i < 100 && !code->Diagnostics().empty(); ++i) QTest::qWait(20);
  EXPECT_TRUE(code->Diagnostics().empty());
  EXPECT_EQ(model.Memory().data[1], 0x77);
  EXPECT_TRUE(Assemble(QString()));
  EXPECT_EQ(model.Memory().data[1], 0xC4);
}

TEST_F(EditorTest, MarginBreakpointStopsTheRunAtItsLineAndFollowsAnEdit) {
  ASSERT_TRUE(Assemble(kSum));
  const struct {
    int line;
    const char* status;  // what the status says after the click
  } clicks[] = {
      {1, "Line 1 holds no instruction"},
      {11, "Breakpoint set at line 11"},
  };
  for (const auto& c : clicks) {
    emit code->MarginClicked(c.line);
    EXPECT_TRUE(Status().startsWith(c.status)) << Status().toStdString();
  }
  EXPECT_TRUE(model.Debug().IsBreakpoint(0x00C));  // the Monitor draws the model's breakpoints
  EXPECT_EQ(code->BreakpointLines(), std::vector<int>{11});

  Act("act_Continue");
  EXPECT_EQ(model.Debug().LastStop(), StopReason::kBreakpoint);
  EXPECT_EQ(code->NextLine(), 11);
  EXPECT_EQ(model.State().E, 2);

  // A line inserted above: the text no longer fits the map until Ctrl+R,
  // after which the breakpoint is still on the HALT.
  QTextCursor top(code->document());
  top.insertText("; sum\n");
  EXPECT_EQ(code->NextLine(), 0);
  emit code->MarginClicked(5);
  EXPECT_EQ(Status(), "Changed since assembled: press Ctrl+R");
  ASSERT_TRUE(Assemble(QString()));
  EXPECT_EQ(code->BreakpointLines(), std::vector<int>{12});
  EXPECT_TRUE(model.Debug().IsBreakpoint(0x00C));
}

TEST_F(EditorTest, StepStepOverAndStepBackMoveTheLineMark) {
  ASSERT_TRUE(Assemble(kSum));
  const struct {
    const char* action;
    int repeat;
    int line;
  } steps[] = {
      {"act_Step", 1, 4},      {"act_Step", 5, 9},      {"act_StepOver", 1, 10}, {"act_Step", 1, 13},
      {"act_StepBack", 1, 10}, {"act_StepOver", 1, 11},
  };
  for (const auto& s : steps) {
    for (int i = 0; i < s.repeat; ++i) Act(s.action);
    EXPECT_EQ(code->NextLine(), s.line) << s.action;
  }
  EXPECT_EQ(model.State().E, 2);
}

TEST_F(EditorTest, UnsavedChangesAskBeforeTheyAreLost) {
  const QString first = QString::fromStdString(data.temp.Write("A.s", "\tHALT\n"));
  const QString second = QString::fromStdString(data.temp.Write("B.s", "\tNOP\n"));
  ASSERT_TRUE(editor->OpenSource(first));
  code->appendPlainText("\tXAE");
  const struct {
    QMessageBox::StandardButton answer;
    bool opened;
  } answers[] = {{QMessageBox::Cancel, false}, {QMessageBox::Discard, true}};
  for (const auto& a : answers) {
    bool asked = false;
    test::WhenModal([&](QWidget* box) {
      asked = box->objectName() == "msg_Unsaved";
      qobject_cast<QMessageBox*>(box)->button(a.answer)->click();
    });
    EXPECT_EQ(editor->OpenSource(second), a.opened);
    EXPECT_TRUE(asked);
    EXPECT_EQ(editor->Path(), a.opened ? second : first);
  }
  // Closing the program with changes: Save writes them through the safe save.
  code->appendPlainText("\tXAE");
  test::WhenModal([&](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::Save)->click(); });
  window->close();
  EXPECT_EQ(test::ReadFile(second.toStdString()), "\tNOP\n\n\tXAE");
  EXPECT_FALSE(editor->Modified());
}

// Every menu's access keys are distinct, and Help > Keyboard lists the keys
// the actions have.
TEST_F(EditorTest, AccessKeysAreDistinctAndTheKeyboardListIsMadeFromTheActions) {
  std::vector<QMenuBar*> bars = {window->menuBar(), editor->menuBar()};
  for (QMenuBar* bar : bars) {
    std::vector<QList<QAction*>> menus = {bar->actions()};
    for (QMenu* menu : bar->findChildren<QMenu*>()) menus.push_back(menu->actions());
    for (const QList<QAction*>& actions : menus) {
      std::set<QChar> keys;
      for (const QAction* a : actions) {
        const qsizetype amp = a->text().indexOf('&');
        if (amp < 0 || amp + 1 >= a->text().size()) continue;
        EXPECT_TRUE(keys.insert(a->text()[amp + 1].toUpper()).second)
            << bar->objectName().toStdString() << ": " << a->text().toStdString();
      }
    }
  }
  QString listed;
  test::WhenModal([&](QWidget* box) {
    // A window that scrolls: the list is longer than a small screen.
    listed = box->findChild<QPlainTextEdit*>("txt_Keyboard")->toPlainText();
    qobject_cast<QDialog*>(box)->accept();
  });
  Act("mnu_Keyboard");
  for (const char* line : {"Ctrl+R\tReassemble and Load", "Ctrl+S\tSave Source", "F10\tStep Over", "Space\tStep/Start"})
    EXPECT_TRUE(listed.contains(line)) << line;
}

// The panel's keys work in the other windows, but not in a text field.
TEST_F(EditorTest, PanelKeysWorkOutsideTextFields) {
  code->setPlainText("");
  const struct {
    QWidget* focus;
    bool toggles;
  } cases[] = {{Find<QWidget>(editor, "lst_Messages"), true}, {code, false}};
  for (const auto& c : cases) {
    const bool before = model.DataSwitch(3);
    c.focus->setFocus();
    QApplication::setActiveWindow(editor);
    QTest::keyClick(c.focus, Qt::Key_3);
    EXPECT_EQ(model.DataSwitch(3) != before, c.toggles) << c.focus->objectName().toStdString();
  }
  EXPECT_EQ(code->toPlainText(), "3");  // typed, not taken
}

}  // namespace
}  // namespace scmp

namespace scmp {
namespace {

// The check as you type runs off the window's thread, with the assembler's
// limits, and reads INCLUDE beside the source as Ctrl+R does.
TEST_F(EditorTest, CheckAsYouTypeRunsOffTheWindowThreadAndReadsIncludes) {
  test::TempDir dir;
  dir.Write("defs.inc", "ONE = 1\n");
  std::string functions = "F1 FUNCTION X, X+1\n";
  for (int level = 2; level <= 6; ++level) {
    const std::string inner = "F" + std::to_string(level - 1) + "(X)";
    std::string body = inner;
    for (int i = 1; i < 20; ++i) body += "+" + inner;
    functions += "F" + std::to_string(level) + " FUNCTION X, " + body + "\n";
  }
  const struct {
    std::string source;
    const char* message;  // part of the first message; empty: none
  } cases[] = {
      {" INCLUDE \"defs.inc\"\n LDI ONE\n", ""},
      {functions + " LDI F6(1)&0xFF\n", "FUNCTION calls have evaluated more than"},
  };
  auto* check = editor->findChild<BackgroundCheck*>("obj_BackgroundCheck");
  ASSERT_NE(check, nullptr);
  auto* list = Find<QListWidget>(editor, "lst_Messages");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source.substr(0, 40));
    code->document()->setModified(false);  // no question about the last case's keystroke
    ASSERT_TRUE(editor->OpenSource(QString::fromStdString(dir.Write("main.s", c.source))));
    code->insertPlainText(" ");  // a keystroke
    list->clear();
    // The pause in typing starts the check; the window's events go on
    // while it runs (seen running from this, the window's thread).
    bool seen_running = false;
    for (int i = 0; i < 2000 && list->count() == 0; ++i) {
      QTest::qWait(5);
      seen_running = seen_running || check->Running();
    }
    ASSERT_GE(list->count(), 1);
    if (*c.message != '\0') {
      EXPECT_TRUE(seen_running);
    }
    const QString first = list->item(0)->text();
    if (*c.message == '\0') EXPECT_EQ(first, "No errors or warnings.");
    else EXPECT_TRUE(first.contains(c.message)) << first.toStdString();
  }
}

// The editor's run control as the guide's chapter 5 uses it: Ctrl+R starts
// the program afresh, F5 goes on past a HALT, the mark and the status say
// where P0 is and whether the text still fits, errors take the keyboard,
// and a click on the panel leaves the keyboard in the editor.
TEST_F(EditorTest, RunControlFromTheEditorAsTheGuideTellsIt) {
  const QString two_halts =
      "\t.org\t1\n\tLDI\tH(0xA00)\n\tXPAH\tP1\n\tLDI\t0x11\n\tST\t0(P1)\n\tHALT\n"  // lines 1-6
      "\tLDI\t0x22\n\tST\t0(P1)\n\tHALT\n\t.byte\t0x5B\n";                      // lines 7-10
  ASSERT_TRUE(Assemble(two_halts));
  EXPECT_TRUE(Status().endsWith("loaded; reset to 001")) << Status().toStdString();
  const struct {
    const char* action;
    int next_line;
    const char* status_ends;
  } steps[] = {
      {"act_Continue", 7, ""},  // the first HALT
      {"act_Continue", 0, "P0 at 00D: not a line of untitled.s"},  // the second
      {"act_Reset", 2, "next instruction is at 001."},
      {"act_Step", 3, ""},
  };
  EXPECT_EQ(code->NextLine(), 2);
  for (const auto& s : steps) {
    Act(s.action);
    EXPECT_EQ(code->NextLine(), s.next_line) << s.action;
    EXPECT_TRUE(Status().endsWith(s.status_ends)) << s.action << ": " << Status().toStdString();
  }
  Act("act_Continue");
  Act("act_Continue");
  int leds = 0;
  for (int i = 0; i < 8; ++i) leds |= model.LedState(i) ? 1 << i : 0;
  EXPECT_EQ(leds, 0x22);
  EXPECT_NE(Find<QLabel>(editor, "lbl_RegisterStrip")->text().indexOf("P0 000D"), -1);

  // An edit says at once that the text no longer fits; undone, it fits again.
  Act("act_Reset");
  QTextCursor end(code->document());
  end.movePosition(QTextCursor::End);
  end.insertText("\tNOP\n");
  EXPECT_EQ(Status(), "Changed since assembled: press Ctrl+R");
  EXPECT_EQ(code->NextLine(), 0);
  code->undo();
  EXPECT_NE(Status(), "Changed since assembled: press Ctrl+R");
  EXPECT_EQ(code->NextLine(), 2);

  // A click on the panel's RST, which the window manager makes active on
  // the press, gives the keyboard back to the editor.
  QApplication::setActiveWindow(editor);
  auto* rst = Find<QPushButton>(window.get(), "cmd_Reset");
  QTest::mousePress(rst, Qt::LeftButton);
  QApplication::setActiveWindow(window.get());
  QTest::mouseRelease(rst, Qt::LeftButton);
  QTest::qWait(200);
  EXPECT_EQ(QApplication::activeWindow(), editor);

  // A run that pauses says so, and how to go on.
  ASSERT_TRUE(Assemble("\t.org\t1\nL:\tJMP\tL\n"));
  model.MutableOptions().pause_count = 10000;
  Act("act_Continue");
  EXPECT_EQ(Status(), "Paused after 10,000 instructions: F5 goes on; Settings > Pause count 0 runs without pausing");

  // Errors: nothing loaded, and the list of messages has the keyboard.
  EXPECT_FALSE(Assemble("\t.org\t1\n\tBOGUS\n"));
  EXPECT_EQ(editor->focusWidget(), Find<QListWidget>(editor, "lst_Messages"));
}

// Tab goes to the next column stop with spaces, right after a word too;
// Save drops the blanks a Tab left at the end of a line; Save As proposes
// the file's own name.
TEST_F(EditorTest, TabMovesToColumnStopsAndSaveDropsTrailingBlanks) {
  code->setPlainText("");
  const struct {
    const char* typed;  // then Tab
    int column;         // where the cursor stands after the Tab
  } cases[] = {{"LOOP:", 8}, {"LDI", 16}, {"H(PORT)", 24}, {"", 32}, {"; twenty-five chars.....", 64}};
  for (const auto& c : cases) {
    QTest::keyClicks(code, c.typed);
    QTest::keyClick(code, Qt::Key_Tab);
    EXPECT_EQ(code->textCursor().positionInBlock(), c.column) << c.typed;
  }
  EXPECT_FALSE(code->toPlainText().contains('\t'));
  test::TempDir dir;
  const QString path = QString::fromStdString(dir.File("TAB.s"));
  QTest::keyClick(code, Qt::Key_Return);
  QTest::keyClicks(code, "\tHALT  ");
  test::WhenModal([&](QWidget* modal) {
    Find<QLineEdit>(modal, "txt_SaveSource_Fp")->setText(path);
    Find<QPushButton>(modal, "cmd_SaveSource_Save")->click();
  });
  ASSERT_TRUE(editor->SaveAs());
  EXPECT_EQ(QString::fromStdString(test::ReadFile(dir.File("TAB.s"))),
            "LOOP:   LDI     H(PORT)         ; twenty-five chars.....\n        HALT");
  QString proposed;
  test::WhenModal([&](QWidget* modal) {
    proposed = Find<QLineEdit>(modal, "txt_SaveSource_Fp")->text();
    modal->close();
  });
  EXPECT_FALSE(editor->SaveAs());
  EXPECT_EQ(proposed, path);
}

}  // namespace
}  // namespace scmp
