// The Monitor: opened from View, it records the history while open, shows
// why a run stopped, steps back, edits RAM cells and toggles breakpoints.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "ui/main_window.h"
#include "ui/monitor_window.h"
#include "tests/support/gui_support.h"

namespace scmp {
namespace {

using test::Find;

TEST(MonitorWindow, BreakpointStopStepBackAndEdits) {
  test::DataFolder data;
  PanelModel model;
  std::string error;
  ASSERT_TRUE(model.StartUp(data.Dir(), &error)) << error;
  // LDI 03; XPAH P2; LDI 07; ST 0(P2); ILD 1(P2); HALT
  const int program[] = {0xC4, 0x03, 0x36, 0xC4, 0x07, 0xCA, 0x00, 0xAA, 0x01, 0x00};
  for (int i = 0; i < 10; ++i) model.Memory().data[1 + i] = static_cast<int16_t>(program[i]);
  PanelWindow window(model);
  window.show();
  Find<QAction>(&window, "mnu_Monitor")->trigger();
  MonitorWindow* monitor = window.Monitor();
  ASSERT_TRUE(monitor && monitor->isVisible());
  EXPECT_TRUE(model.Debug().Recording());
  // The panel menus' keys work in the Monitor, which has no menu bar.
  for (const char* name : {"mnu_Editor", "mnu_Reassemble", "mnu_RunTests"})
    EXPECT_TRUE(monitor->actions().contains(Find<QAction>(&window, name))) << name;

  // A click in the margin of the line at 008 sets a breakpoint there.
  auto* code = Find<QTableWidget>(monitor, "tbl_Code");
  int row = -1;
  for (int r = 0; r < code->rowCount(); ++r)
    if (code->item(r, 1)->text().endsWith("008")) row = r;
  ASSERT_GE(row, 0);
  emit code->cellClicked(row, 0);
  EXPECT_TRUE(model.Debug().IsBreakpoint(0x008));

  model.ToggleSingleStep();
  QTest::mouseClick(Find<QPushButton>(&window, "cmd_Run"), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>(monitor, "lbl_Stop")->text(), "Stopped at a breakpoint (Break 008)");
  EXPECT_EQ(Find<QLineEdit>(monitor, "edt_P0")->text(), "0007");
  EXPECT_EQ(model.Debug().Steps().Size(), 4u);

  QTest::mouseClick(Find<QPushButton>(monitor, "cmd_StepBack"), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>(monitor, "edt_P0")->text(), "0005");
  EXPECT_EQ(model.Memory().data[0x300], 0);  // the ST undone

  auto* memory = Find<QTableView>(monitor, "tbl_Memory");
  EXPECT_TRUE(memory->model()->setData(memory->model()->index(0x30, 5), "5A"));
  EXPECT_EQ(model.Memory().data[0x305], 0x5A);
  EXPECT_FALSE(memory->model()->setData(memory->model()->index(0xA0, 0), "11"));  // the port

  monitor->close();
  EXPECT_FALSE(model.Debug().Recording());
}

// The text of the code table's row at `address`, column `column`.
QString CodeCell(QTableWidget* code, int address, int column) {
  for (int r = 0; r < code->rowCount(); ++r)
    if (code->item(r, 1)->text().endsWith(QString("%1").arg(address, 3, 16, QChar('0')).toUpper()))
      return code->item(r, column)->text();
  return "(no row)";
}

TEST(MonitorWindow, SourceLevelViewsAndTheBreakpointList) {
  test::DataFolder data;
  PanelModel model;
  std::string error;
  ASSERT_TRUE(model.StartUp(data.Dir(), &error)) << error;
  PanelWindow window(model);
  window.show();
  const std::string source = data.temp.Write("LOOP.s",
                                             "        .org 1\n"
                                             "LOOP:   ILD COUNT\n"     // 001
                                             "        JMP LOOP\n"      // 003
                                             "COUNT:  .byte 0x0A\n");  // 005, would read as XAE
  ASSERT_TRUE(window.LoadFile(source));
  Find<QAction>(&window, "mnu_Monitor")->trigger();
  MonitorWindow* monitor = window.Monitor();
  ASSERT_TRUE(monitor);

  auto* code = Find<QTableWidget>(monitor, "tbl_Code");
  EXPECT_EQ(CodeCell(code, 0x001, 3), "LOOP: ILD COUNT");
  EXPECT_EQ(CodeCell(code, 0x003, 3), "JMP LOOP");
  EXPECT_EQ(CodeCell(code, 0x005, 3), "COUNT: .byte 0x0A");
  EXPECT_EQ(CodeCell(code, 0x003, 5), "  3  JMP LOOP");

  // A breakpoint from the margin is listed; a bad condition is refused with
  // its column and kept as typed, a good one decides the stop.
  for (int r = 0; r < code->rowCount(); ++r)
    if (code->item(r, 1)->text().endsWith("003")) emit code->cellClicked(r, 0);
  auto* list = Find<QTableWidget>(monitor, "tbl_Breakpoints");
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(list->item(0, 3)->text(), "");  // JMP LOOP has no label of its own
  EXPECT_EQ(list->item(0, 4)->text(), "3");
  list->item(0, 5)->setText("mem[5] = 0D");
  EXPECT_TRUE(Find<QLabel>(monitor, "lbl_BreakpointMessage")->text().contains("column 8"));
  EXPECT_EQ(list->item(0, 5)->text(), "mem[5] = 0D");
  list->item(0, 5)->setText("mem[5] == 0D");
  auto* watch = Find<QLineEdit>(monitor, "edt_WatchSymbol");
  watch->setText("COUNT");
  QTest::keyClick(watch, Qt::Key_Return);
  ASSERT_EQ(list->rowCount(), 2);
  list->item(1, 0)->setCheckState(Qt::Unchecked);  // the watchpoint off
  EXPECT_FALSE(model.Debug().IsWatchpoint(0x005));
  model.MutableOptions().pause_count = 0;
  model.ToggleSingleStep();
  QTest::mouseClick(Find<QPushButton>(&window, "cmd_Run"), Qt::LeftButton);
  EXPECT_EQ(model.Memory().data[0x005], 0x0D);
  EXPECT_EQ(list->item(0, 6)->text(), "3");
  EXPECT_EQ(window.findChild<QLabel*>("lbl_Pause")->text(), "Break 003");

  // The symbols: COUNT is data and a double-click shows it in memory.
  auto* symbols = Find<QTableWidget>(monitor, "tbl_Symbols");
  ASSERT_EQ(symbols->rowCount(), 2);
  EXPECT_EQ(symbols->item(0, 0)->text(), "COUNT");
  EXPECT_EQ(symbols->item(0, 2)->text(), "data");
  emit symbols->cellDoubleClicked(0, 0);
  auto* memory = Find<QTableView>(monitor, "tbl_Memory");
  EXPECT_EQ(memory->currentIndex().row() * 16 + memory->currentIndex().column(), 0x005);

  // Memory in binary; a range filled and copied.
  Find<QComboBox>(monitor, "cmb_MemoryBase")->setCurrentIndex(2);
  EXPECT_EQ(memory->model()->index(0, 5).data().toString(), "00001101");
  Find<QLineEdit>(monitor, "edt_MemoryRange")->setText("300-302");
  Find<QLineEdit>(monitor, "edt_FillValue")->setText("101");
  QTest::mouseClick(Find<QPushButton>(monitor, "cmd_Fill"), Qt::LeftButton);
  EXPECT_EQ(model.Memory().data[0x302], 5);
  EXPECT_EQ(model.Memory().data[0x303], 0);
  QTest::mouseClick(Find<QPushButton>(monitor, "cmd_CopyRange"), Qt::LeftButton);
  EXPECT_EQ(QApplication::clipboard()->text(), "300: 00000101 00000101 00000101\n");

  // RST: the counters start again; another file clears the list.
  QTest::mouseClick(Find<QPushButton>(&window, "cmd_Reset"), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>(monitor, "lbl_Counts")->text(), "Instructions: 0   Microcycles: 0");
  ASSERT_TRUE(model.SaveMemoryImage(data.temp.File("ALL.RAM"), &error));
  ASSERT_TRUE(window.LoadFile(data.temp.File("ALL.RAM")));
  EXPECT_EQ(list->rowCount(), 0);
  EXPECT_EQ(symbols->rowCount(), 0);
}

}  // namespace
}  // namespace scmp
