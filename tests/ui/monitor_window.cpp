// The Monitor: opened from View, it records the history while open, shows
// why a run stopped, steps back, edits RAM cells and toggles breakpoints.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
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

}  // namespace
}  // namespace scmp
