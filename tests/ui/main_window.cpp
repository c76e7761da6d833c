// The main window: start-up state, a program entered and run by hand,
// single steps, runs that keep the window alive, the menus and the end.
#include <QPlainTextEdit>
#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "ui/file_chooser.h"
#include "ui/label_names.h"
#include "ui/lamp.h"
#include "ui/main_window.h"
#include "ui/panel_keys.h"
#include "ui/settings_window.h"
#include "ui/theme.h"
#include "tests/support/gui_support.h"

namespace scmp {
namespace {

using test::Find;
using Clock = std::chrono::steady_clock;

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(model.StartUp(data.Dir(), &error)) << error;
    window = std::make_unique<PanelWindow>(model);
    window->SetExitAction([this] { ++exits; });
    window->show();
  }

  QPushButton* Button(const QString& name) { return Find<QPushButton>(window.get(), name); }
  QString Text(const QString& name) { return Find<QLabel>(window.get(), name)->text(); }
  void Click(const QString& name) { QTest::mouseClick(Button(name), Qt::LeftButton); }

  // The state a lamp shows; fails the test unless the lamp is visible.
  bool Lit(const QString& name) {
    auto* lamp = Find<LampShape>(window.get(), name);
    EXPECT_TRUE(lamp->isVisible()) << name.toStdString();
    return lamp->Lit();
  }
  bool Led(int i) { return Lit(QString("Led_%1").arg(i)); }
  bool DataSwitch(int i) { return Lit(QString("D_Switch_%1").arg(i)); }
  bool AddressSwitch(int i) { return Lit(QString("A_Switch_%1").arg(i)); }
  int LedByte() {
    int v = 0;
    for (int i = 0; i < 8; ++i) v |= Led(i) << i;
    return v;
  }

  // Enters bytes from `address` on, as a user does: address switches, then
  // for each byte the data switches, Latch and A+.
  void EnterByHand(int address, const std::vector<int>& bytes) {
    for (int i = 0; i < 12; ++i)
      if (AddressSwitch(i) != (((address >> i) & 1) != 0)) Click(QString("cmd_A_Sw_%1").arg(i));
    for (int byte : bytes) {
      for (int i = 0; i < 8; ++i)
        if (DataSwitch(i) != (((byte >> i) & 1) != 0)) Click(QString("cmd_D_sw_%1").arg(i));
      Click("cmd_Latch");
      Click("cmd_A_Plus");
    }
  }

  void Poke(int address, const std::vector<int>& bytes) {
    for (int b : bytes) model.Memory().data[address++] = static_cast<int16_t>(b);
  }

  void Settings(const char* pause, bool fast = true, const char* delay = "1") {
    model.ApplySettings({pause, delay, fast, false});
    window->Refresh();
  }

  test::DataFolder data;
  PanelModel model;
  std::unique_ptr<PanelWindow> window;
  int exits = 0;
};

// LDI 0A, XPAH P1, LDI 00, XPAL P1 (P1 = the port), LDI 5A, ST 0(P1), HALT.
const std::vector<int> kLedProgram = {0xC4, 0x0A, 0x35, 0xC4, 0x00, 0x31, 0xC4, 0x5A, 0xC9, 0x00, 0x00};
// P1 = the port, then for ever: ST 0(P1), ADI 1, JMP back to the ST.
const std::vector<int> kEndlessCounter = {0xC4, 0x0A, 0x35, 0xC9, 0x00, 0xF4, 0x01, 0x90, 0xFA};

TEST_F(MainWindowTest, StartUpShowsEveryLampAndLabelInItsStartState) {
  EXPECT_EQ(window->objectName(), "frm_SCMPBRD");
  for (int i = 0; i < 12; ++i) EXPECT_FALSE(AddressSwitch(i)) << i;
  for (int i = 0; i < 8; ++i) EXPECT_FALSE(DataSwitch(i)) << i;
  for (int i = 0; i < 8; ++i) EXPECT_FALSE(Led(i)) << i;
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(Lit(QString("F_Led_%1").arg(i)));
  EXPECT_FALSE(Lit("Halt_Led"));
  EXPECT_FALSE(Lit("Run_Led"));
  EXPECT_TRUE(Lit("Led_SStep"));

  EXPECT_EQ(Text("lbl_Speed"), "Fast");
  EXPECT_EQ(Text("lbl_Pause"), "Manual Step");
  EXPECT_EQ(Text("lbl_Trace"), "Trace off");
  EXPECT_EQ(Text("lbl_Delay"), "No Delay");
  EXPECT_EQ(Text("lbl_Remain_Caption"), "Cycles Remaining ");
  for (const char* name : {"lbl_cycles", "lbl_Opcode", "lbl_Amode", "lbl_Register", "lbl_Cflag", "lbl_OFlag",
                           "lbl_Operation", "lbl_P0", "lbl_P1", "lbl_P2", "lbl_P3", "lbl_m1", "lbl_m2", "lbl_Accu",
                           "lbl_Extension", "lbl_Status"})
    EXPECT_EQ(Text(name), "") << name;
}

TEST(LabelObjectNames, EachLabelWidgetHasItsControlName) {
  const std::pair<Label, const char*> names[] = {
      {Label::kDelay, "lbl_Delay"},       {Label::kTrace, "lbl_Trace"},         {Label::kPause, "lbl_Pause"},
      {Label::kSpeed, "lbl_Speed"},       {Label::kCycles, "lbl_cycles"},       {Label::kOpcode, "lbl_Opcode"},
      {Label::kAmode, "lbl_Amode"},       {Label::kRegister, "lbl_Register"},   {Label::kCflag, "lbl_Cflag"},
      {Label::kOFlag, "lbl_OFlag"},       {Label::kOperation, "lbl_Operation"}, {Label::kP0, "lbl_P0"},
      {Label::kP1, "lbl_P1"},             {Label::kP2, "lbl_P2"},               {Label::kP3, "lbl_P3"},
      {Label::kM1, "lbl_m1"},             {Label::kM2, "lbl_m2"},               {Label::kAccu, "lbl_Accu"},
      {Label::kExtension, "lbl_Extension"}, {Label::kStatus, "lbl_Status"},
  };
  for (const auto& [label, name] : names) EXPECT_STREQ(LabelObjectName(label), name);
}

TEST_F(MainWindowTest, ButtonsLampsAndDisplayHaveTheirCaptionsColoursAndPlaces) {
  EXPECT_EQ(Button("cmd_A_Sw_0")->text(), "0");
  EXPECT_EQ(Button("cmd_A_Sw_9")->text(), "9");
  EXPECT_EQ(Button("cmd_A_Sw_10")->text(), "A");
  EXPECT_EQ(Button("cmd_A_Sw_11")->text(), "B");
  EXPECT_EQ(Button("cmd_D_sw_7")->text(), "7");
  EXPECT_EQ(Button("cmd_A_Plus")->text(), "+");
  EXPECT_EQ(Button("cmd_A_min")->text(), "-");
  EXPECT_EQ(Button("cmd_Latch")->text(), "Latch");
  EXPECT_EQ(Button("cmd_Reset")->text(), "RST");
  EXPECT_EQ(Button("cmd_Halt")->text(), "HLT");
  EXPECT_EQ(Button("cmd_Run")->text(), "Run / Prgm");
  EXPECT_EQ(Button("cmd_SST")->text(), "SST");
  EXPECT_EQ(Button("cmd_Single_Step")->text(), "Step/Start");

  // Each lamp in its kind's two colours of the board.
  const ColourRoles& c = Colours();
  auto colours = [&](const char* name) {
    const auto* lamp = Find<LampShape>(window.get(), name);
    return std::pair(lamp->OnColor(), lamp->OffColor());
  };
  EXPECT_EQ(colours("A_Switch_4"), std::pair(c.switch_on, c.switch_off));
  EXPECT_EQ(colours("D_Switch_2"), std::pair(c.switch_on, c.switch_off));
  EXPECT_EQ(colours("Led_5"), std::pair(c.led_on, c.led_off));
  EXPECT_EQ(colours("F_Led_1"), std::pair(c.flag_on, c.flag_off));
  EXPECT_EQ(colours("Halt_Led"), std::pair(c.led_on, c.led_off));
  EXPECT_EQ(colours("Run_Led"), std::pair(c.led_on, c.run_green));
  EXPECT_EQ(colours("Led_SStep"), std::pair(c.led_on, c.led_off));

  // Places, in pixels at 15 twips each, relative to the board.
  QWidget* board = window->centralWidget();
  auto place = [&](const char* name) {
    QWidget* w = Find<QWidget>(window.get(), name);
    return QRect(w->mapTo(board, QPoint(0, 0)), w->size());
  };
  EXPECT_EQ(board->size(), QSize(591, 409));
  EXPECT_EQ(place("cmd_Reset"), QRect(41, 18, 61, 33));
  EXPECT_EQ(place("cmd_A_Sw_11"), QRect(203, 284, 17, 17));
  EXPECT_EQ(place("cmd_A_Sw_0"), QRect(387, 284, 17, 17));
  EXPECT_EQ(place("A_Switch_7"), QRect(271, 264, 17, 17));
  EXPECT_EQ(place("D_Switch_7"), QRect(437, 264, 17, 17));
  EXPECT_EQ(place("Led_7"), QRect(300, 60, 25, 25));
  EXPECT_EQ(place("Led_0"), QRect(541, 60, 25, 25));
  EXPECT_EQ(place("F_Led_2"), QRect(477, 22, 25, 25));
  // The halt lamp sits two pixels further right when dark: it covers both places.
  EXPECT_EQ(place("Halt_Led").left(), 12);
  EXPECT_EQ(place("Halt_Led").width(), 2 + 17);
  EXPECT_EQ(place("cmd_Single_Step"), QRect(140, 319, 141, 37));
  EXPECT_EQ(place("pic_Debug").topLeft(), QPoint(294, 319));

  // The register display uses a fixed-pitch font.
  EXPECT_TRUE(QFontInfo(Find<QLabel>(window.get(), "lbl_P0")->font()).fixedPitch());
}

TEST_F(MainWindowTest, ProgramEnteredByHandRunsToItsHalt) {
  EnterByHand(0x001, kLedProgram);
  // Latch showed the last address and byte in three and two digits.
  EXPECT_EQ(Text("lbl_P0"), " 00B");
  EXPECT_EQ(Text("lbl_m1"), " 00");
  EXPECT_EQ(Text("lbl_m2"), "");

  // Back at 001 the data switches show the first byte.
  for (int i = 0; i < 12; ++i)
    if (AddressSwitch(i) != (i == 0)) Click(QString("cmd_A_Sw_%1").arg(i));
  int shown = 0;
  for (int i = 0; i < 8; ++i) shown |= DataSwitch(i) << i;
  EXPECT_EQ(shown, 0xC4);

  Click("cmd_Reset");
  Click("cmd_SST");
  EXPECT_FALSE(Lit("Led_SStep"));
  EXPECT_EQ(Text("lbl_Pause"), QString(11, ' '));

  Click("cmd_Run");
  EXPECT_EQ(LedByte(), 0x5A);
  EXPECT_TRUE(Lit("Halt_Led"));
  EXPECT_TRUE(Lit("Run_Led"));
  EXPECT_EQ(Text("lbl_Pause"), QString(9, ' '));
  // Seven instructions; the last showed the pause count less the six before.
  EXPECT_EQ(Text("lbl_cycles"), " 9994");
  EXPECT_FALSE(window->LoopControlsLocked());
  // The run lit LED 1 only for its last step, but from then on it stays lit:
  // a frame later it is drawn at full brightness, without any other event.
  auto* led_1 = Find<LampShape>(window.get(), "Led_1");
  for (int i = 0; i < 50 && led_1->LitShare() < 1.0; ++i) QTest::qWait(10);
  EXPECT_EQ(led_1->LitShare(), 1.0);

  Click("cmd_Run");
  EXPECT_FALSE(Lit("Run_Led"));
  EXPECT_FALSE(Lit("Halt_Led"));
}

TEST_F(MainWindowTest, StepStartPerformsOneInstructionAtATimeInSingleStepMode) {
  Poke(0x001, kLedProgram);
  Click("cmd_Reset");

  // Step/Start in program mode performs nothing: the display keeps the
  // registers RST showed.
  Click("cmd_Single_Step");
  EXPECT_EQ(Text("lbl_P0"), "0000");
  EXPECT_EQ(model.State().P[0], 0);

  // Into run mode with single step on: one instruction.
  Click("cmd_Run");
  EXPECT_EQ(Text("lbl_Opcode"), "LDI ");
  EXPECT_EQ(Text("lbl_P0"), "0002");
  EXPECT_EQ(Text("lbl_Accu"), "0A");
  EXPECT_EQ(Text("lbl_m1"), "C4");
  EXPECT_EQ(Text("lbl_m2"), "0A");
  EXPECT_EQ(Text("lbl_cycles"), " 10000");

  Click("cmd_Single_Step");
  EXPECT_EQ(Text("lbl_Opcode"), "XPAH");
  EXPECT_EQ(Text("lbl_Register"), "P1");
  EXPECT_EQ(Text("lbl_P0"), "0003");
  EXPECT_EQ(Text("lbl_P1"), "0A00");
  EXPECT_EQ(Text("lbl_m1"), "35");
  EXPECT_EQ(Text("lbl_m2"), "");
  EXPECT_EQ(Text("lbl_Pause"), "Manual Step");

  for (int i = 0; i < 5; ++i) Click("cmd_Single_Step");
  EXPECT_EQ(Text("lbl_Opcode"), "HALT");
  EXPECT_EQ(LedByte(), 0x5A);
  EXPECT_TRUE(Lit("Halt_Led"));
}

TEST_F(MainWindowTest, PauseCountEndsARunWithPause) {
  Poke(0x001, kEndlessCounter);
  Settings("3");
  Click("cmd_SST");
  Click("cmd_Run");
  EXPECT_EQ(Text("lbl_Pause"), "Pause    ");
  EXPECT_EQ(Text("lbl_cycles"), QString(10, ' '));
  EXPECT_EQ(model.State().P[0], 5);  // LDI, XPAH, ST: on the ST's last byte
}

// Posts an event for the window from another thread, as the window system
// would deliver a click, and notes when. Should the window never take it,
// the loop is ended from here after a few seconds, so that the test fails
// instead of hanging.
class LateClick {
 public:
  LateClick(PanelModel& model, QPushButton* button, std::chrono::milliseconds after)
      : LateClick(model, button, [button] { button->click(); }, after) {}
  LateClick(PanelModel& model, QObject* target, std::function<void()> action, std::chrono::milliseconds after)
      : thread_([this, &model, target, action, after] {
          std::this_thread::sleep_for(after);
          posted_ = Clock::now();
          QMetaObject::invokeMethod(target, action, Qt::QueuedConnection);
          while (!done_ && Clock::now() - posted_ < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
          if (!done_) model.AbortRun();
        }) {}
  ~LateClick() { Posted(); }
  // Call once the loop has ended.
  Clock::time_point Posted() {
    done_ = true;
    if (thread_.joinable()) thread_.join();
    return posted_;
  }

 private:
  Clock::time_point posted_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

TEST_F(MainWindowTest, HltEndsAFreeRunQuicklyAndTheWindowStaysAliveMeanwhile) {
  Poke(0x001, kEndlessCounter);
  Settings("0");
  EXPECT_EQ(Text("lbl_cycles"), "No Pause");
  Click("cmd_SST");

  // Count the LEDs' repaints while the loop runs.
  struct Counter : QObject {
    int changes = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++changes;
      return false;
    }
  } counter;
  for (int i = 0; i < 8; ++i) Find<QWidget>(window.get(), QString("Led_%1").arg(i))->installEventFilter(&counter);

  // While the loop runs: only HLT and SST take input.
  bool locked = false, latch_enabled = true, menu_enabled = true, halt_enabled = false, sst_enabled = false;
  QTimer::singleShot(150, window.get(), [&] {
    locked = window->LoopControlsLocked();
    latch_enabled = Button("cmd_Latch")->isEnabled();
    menu_enabled = window->menuBar()->isEnabled();
    halt_enabled = Button("cmd_Halt")->isEnabled();
    sst_enabled = Button("cmd_SST")->isEnabled();
  });

  LateClick hlt(model, Button("cmd_Halt"), std::chrono::milliseconds(400));
  Click("cmd_Run");
  const auto ended = Clock::now();
  const auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(ended - hlt.Posted());

  RecordProperty("hlt_latency_ms", static_cast<int>(latency.count()));
  EXPECT_LT(latency.count(), 100) << "HLT took " << latency.count() << " ms";
  EXPECT_TRUE(locked);
  EXPECT_FALSE(latch_enabled);
  EXPECT_FALSE(menu_enabled);
  EXPECT_TRUE(halt_enabled);
  EXPECT_TRUE(sst_enabled);
  EXPECT_GT(counter.changes, 0) << "the LEDs were not redrawn during the run";

  EXPECT_TRUE(Lit("Halt_Led"));
  EXPECT_FALSE(window->LoopControlsLocked());
  EXPECT_TRUE(Button("cmd_Latch")->isEnabled());
  EXPECT_TRUE(window->menuBar()->isEnabled());
  // The LEDs show what the program last wrote: A itself when the loop ended
  // right after the ST (P0 = 005), A - 1 after the ADI or the JMP.
  const int a = model.State().A;
  EXPECT_EQ(LedByte(), model.State().P[0] == 0x005 ? a : (a - 1) & 0xFF) << "P0=" << model.State().P[0];
}

TEST_F(MainWindowTest, SstDuringAFreeRunEndsItAfterTheStep) {
  Poke(0x001, kEndlessCounter);
  Settings("0");
  Click("cmd_SST");
  LateClick sst(model, Button("cmd_SST"), std::chrono::milliseconds(100));
  Click("cmd_Run");
  sst.Posted();
  EXPECT_TRUE(Lit("Led_SStep"));
  EXPECT_FALSE(Lit("Halt_Led"));
  EXPECT_EQ(Text("lbl_Pause"), "Manual Step");
}

TEST_F(MainWindowTest, HltCutsASlowModeWaitShort) {
  Poke(0x001, kEndlessCounter);
  Settings("0", /*fast=*/false, "10");
  Click("cmd_SST");
  LateClick hlt(model, Button("cmd_Halt"), std::chrono::milliseconds(200));
  Click("cmd_Run");
  const auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - hlt.Posted());
  // One step, whose ten-second wait HLT ended.
  EXPECT_LT(latency.count(), 1000);
  EXPECT_EQ(model.State().P[0], 2);
  EXPECT_EQ(Text("lbl_Opcode"), "LDI ");
  EXPECT_TRUE(Lit("Halt_Led"));
}

TEST_F(MainWindowTest, ClosingTheWindowDuringARunEndsTheLoopAndExits) {
  // The trace log is open (tracing on, then off again), so the exit has one
  // to close.
  model.ApplySettings({"0", "1", true, true});
  model.ApplySettings({"0", "1", true, false});
  ASSERT_TRUE(model.Trace().IsOpen());
  Poke(0x001, kEndlessCounter);
  Click("cmd_SST");

  LateClick close(model, window.get(), [this] { window->close(); }, std::chrono::milliseconds(150));
  Click("cmd_Run");
  close.Posted();

  EXPECT_FALSE(model.Running());
  EXPECT_EQ(exits, 1);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(model.Trace().IsOpen());
}

TEST_F(MainWindowTest, MenuBarHasItsEntriesCaptionsAndSeparators) {
  QList<QAction*> top = window->menuBar()->actions();
  ASSERT_EQ(top.size(), 5);
  EXPECT_EQ(top[2]->menu()->objectName(), "mnu_Speed");
  EXPECT_EQ(top[3]->menu()->objectName(), "mnu_View");
  EXPECT_EQ(top[4]->menu()->objectName(), "mnu_Help");
  EXPECT_EQ(top[0]->text(), "&Files");
  ASSERT_NE(top[0]->menu(), nullptr);
  EXPECT_EQ(top[0]->menu()->objectName(), "mnu_Files");
  EXPECT_EQ(top[1]->text(), "&Settings");
  EXPECT_EQ(top[1]->objectName(), "mnu_Setting");
  EXPECT_EQ(top[1]->menu(), nullptr);
  EXPECT_EQ(top[3]->text(), "&View");
  EXPECT_EQ(top[3]->menu()->actions().value(0)->objectName(), "mnu_Monitor");
  EXPECT_EQ(top[3]->menu()->actions().value(0)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));

  const QList<QAction*> files = top[0]->menu()->actions();
  const char* names[] = {"mnu_OpenMem",      "mnu_SavMem_As",     "mnu_File_Sep1",    "mnu_LoadAsm",
                         "mnu_AsmSource",    "mnu_Reassemble",    "mnu_LoadHex",      "mnu_File_SepSource",
                         "mnu_NewSource",    "mnu_OpenSource",    "mnu_SaveSource",   "mnu_SaveSourceAs",
                         "mnu_Recent",       "mnu_Samples",       "mnu_File_SepState", "mnu_SaveState",
                         "mnu_LoadState",    "mnu_RunTests",      "mnu_File_Sep2",     "mnu_Exit"};
  const char* texts[] = {"&Open Memory-Image", "&Save Memory-Image As", "", "&Load ASM-file", "&Assemble Source...",
                         "&Reassemble and Load", "Load Intel &HEX...", "", "&New Source", "Open So&urce...",
                         "Sa&ve Source", "Save Sour&ce As...", "Recent &Files", "Sa&mples", "", "Sav&e State...",
                         "Loa&d State...", "Run &Tests...", "", "E&xit"};
  ASSERT_EQ(files.size(), static_cast<qsizetype>(std::size(names)));
  for (size_t i = 0; i < std::size(names); ++i) {
    EXPECT_EQ(files[i]->objectName(), names[i]);
    EXPECT_EQ(files[i]->isSeparator(), texts[i][0] == '\0') << names[i];
    if (!files[i]->isSeparator()) {
      EXPECT_EQ(files[i]->text(), texts[i]);
    }
  }
}

TEST_F(MainWindowTest, ExitClosesTheTraceLogWithEverythingWritten) {
  model.ApplySettings({"10000", "1", true, true});
  Poke(0x001, kLedProgram);
  Click("cmd_Reset");
  Click("cmd_Run");            // one instruction, traced
  Click("cmd_Single_Step");    // and another
  Find<QAction>(window.get(), "mnu_Exit")->trigger();

  EXPECT_EQ(exits, 1);
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(model.Trace().IsOpen());
  const std::string log = test::ReadFile(data.Dir() + "TRACE.LOG");
  EXPECT_NE(log.find("------Reset-------\r\n"), std::string::npos);
  EXPECT_NE(log.find("------Run Mode-------\r\n"), std::string::npos);
  EXPECT_NE(log.find("------End of Trace -------\r\n"), std::string::npos);
  // Two instruction lines of 71 characters besides the markers.
  EXPECT_EQ(log.size(), 2 * 73 + 20 + 23 + 28);
}

TEST_F(MainWindowTest, MenuEntriesShowOneWindowEachAndAFreshOneAfterAFrameClose) {
  QAction* settings = Find<QAction>(window.get(), "mnu_Setting");
  QWidget* first = nullptr;
  test::WhenModal([&](QWidget* w) {
    first = w;
    Find<QLineEdit>(w, "txt_Delay")->setText("typed");
    static_cast<QDialog*>(w)->reject();  // hidden, as Cancel would
  });
  settings->trigger();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->objectName(), "frm_Settings");
  EXPECT_EQ(window->SettingsWin(), first);

  QString delay_text;
  QWidget* second = nullptr;
  test::WhenModal([&](QWidget* w) {
    second = w;
    delay_text = Find<QLineEdit>(w, "txt_Delay")->text();
    w->close();  // from the frame: discarded
  });
  settings->trigger();
  EXPECT_EQ(second, first);
  EXPECT_EQ(delay_text, " 1");  // what was typed went with the Cancel
  EXPECT_EQ(window->SettingsWin(), nullptr);

  QString fresh_text;
  test::WhenModal([&](QWidget* w) {
    fresh_text = Find<QLineEdit>(w, "txt_Delay")->text();
    static_cast<QDialog*>(w)->reject();
  });
  settings->trigger();
  EXPECT_EQ(fresh_text, " 1");

  // The file windows the same way.
  for (const char* entry : {"mnu_OpenMem", "mnu_SavMem_As", "mnu_LoadAsm", "mnu_AsmSource", "mnu_LoadHex"}) {
    QString name;
    test::WhenModal([&](QWidget* w) {
      name = w->objectName();
      static_cast<QDialog*>(w)->reject();
    });
    Find<QAction>(window.get(), entry)->trigger();
    EXPECT_FALSE(name.isEmpty()) << entry;
  }
  EXPECT_EQ(window->OpenMemWindow()->objectName(), "frm_OpenMem");
  EXPECT_EQ(window->SaveMemWindow()->objectName(), "frm_SaveMemAs");
  EXPECT_EQ(window->LoadAsmWindow()->objectName(), "frm_LoadAsm");
  EXPECT_EQ(window->AssembleSourceWindow()->objectName(), "frm_AsmSource");
  EXPECT_EQ(window->LoadHexWindow()->objectName(), "frm_LoadHex");
}

// A trace log that reaches its limit during a run: one box, which does not
// stop the run, and the status label shows tracing off.
TEST_F(MainWindowTest, ATraceThatStopsIsReportedOnceAndShownOff) {
  model.SetTraceLimit(1);
  std::string error;
  ASSERT_TRUE(model.EnableTrace(data.Dir() + "TRACE.LOG", &error)) << error;
  model.ApplySettings({"30000", "1", true, true, "1"});
  window->Refresh();
  EXPECT_EQ(Text("lbl_Trace"), "Trace = on ");
  Poke(0x001, kEndlessCounter);
  Click("cmd_SST");
  Click("cmd_Run");  // 30000 traced steps: about 2 MB
  EXPECT_EQ(model.InstructionCount(), 30000);
  Click("cmd_Run");
  Click("cmd_Run");  // a second run says nothing more
  QList<QMessageBox*> boxes;
  for (QMessageBox* box : window->findChildren<QMessageBox*>("msg_Notice"))
    if (box->isVisible()) boxes << box;
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0]->text().contains("reached its limit of 1 MB")) << boxes[0]->text().toStdString();
  EXPECT_EQ(Text("lbl_Trace"), "Trace = off");
}

// Every listing load says in the title what it stored.
TEST_F(MainWindowTest, AListingLoadShowsWhatItStoredInTheTitle) {
  const struct {
    const char* name;
    const char* content;
    const char* title;
  } cases[] = {
      {"ECHO.ASM", "@0100\r\nC4\r\n07\r\n", "SC/MP Trainer - ECHO.ASM: 2 bytes, 100-101"},
      {"LOWER.ASM", "@0100\r\nc4\r\n", "SC/MP Trainer - LOWER.ASM: no byte line, nothing stored"},
  };
  for (const auto& c : cases) {
    const std::string path = data.temp.Write(std::string("Samples/") + c.name, c.content);
    test::WhenModal([&](QWidget* w) {
      Find<QLineEdit>(w, "Txt_LoadAsm")->setText(QString::fromStdString(path));
      QTest::mouseClick(Find<QPushButton>(w, "cmd_LoadAsm_Ok"), Qt::LeftButton);
    });
    Find<QAction>(window.get(), "mnu_LoadAsm")->trigger();
    EXPECT_EQ(window->windowTitle(), c.title);
  }
}

// ECHO played as its text says: load it, pause count 0, SST, Run / Prgm,
// then flip data switches during the run, by key and by a click on the
// switch's lamp, and see the LEDs follow; HLT by key ends it.
TEST_F(MainWindowTest, EchoIsPlayableDuringARun) {
  std::string error;
  ASSERT_TRUE(model.LoadListing(test::SourceDataDir() + "Samples/ECHO.ASM", &error)) << error;
  Settings("0");
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  Click("cmd_SST");

  bool led3 = false, led5 = false, switch_enabled = false, plus_enabled = true;
  QTimer::singleShot(100, window.get(), [&] {
    switch_enabled = Button("cmd_D_sw_3")->isEnabled();
    plus_enabled = Button("cmd_A_Plus")->isEnabled();
    QTest::keyClick(window.get(), Qt::Key_3);
  });
  QTimer::singleShot(250, window.get(), [&] {
    led3 = Led(3);
    QTest::mouseClick(Find<QWidget>(window.get(), "D_Switch_5"), Qt::LeftButton);
  });
  QTimer::singleShot(400, window.get(), [&] {
    window->Refresh();
    led5 = Led(5);
    QTest::keyClick(window.get(), Qt::Key_H);
  });
  QTimer::singleShot(5000, window.get(), [&] { model.AbortRun(); });  // a safety net only
  Click("cmd_Run");

  EXPECT_TRUE(switch_enabled);
  EXPECT_FALSE(plus_enabled);
  EXPECT_TRUE(led3);
  EXPECT_TRUE(led5);
  EXPECT_TRUE(model.HaltRequested());
  EXPECT_EQ(LedByte(), 0x28);
  EXPECT_EQ(Text("lbl_P1"), "0A00");  // the register display after the run
}

// Every control has a key, named in its tooltip and in Help > Keyboard; the
// About text names the version, the licence and the data folder.
TEST_F(MainWindowTest, KeysTooltipsAndHelpTexts) {
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  const QString help = KeyboardHelpText();
  for (const PanelKey& key : PanelKeys()) {
    EXPECT_EQ(Button(key.button)->toolTip(), KeyTooltip(key));
    EXPECT_TRUE(help.contains(key.what)) << key.what.toStdString();
  }
  EXPECT_EQ(Button("cmd_D_sw_3")->toolTip(), "Data switch 3 (key 3)");
  EXPECT_EQ(PanelKeys().size(), 8u + 12u + 8u);

  struct Case {
    Qt::Key key;
    std::function<bool()> done;
  };
  const Case cases[] = {
      {Qt::Key_7, [&] { return model.DataSwitch(7); }},
      {Qt::Key_F12, [&] { return model.AddressSwitch(11); }},
      {Qt::Key_Plus, [&] { return model.SwitchAddress() == 0x801 && !model.DataSwitch(7); }},  // examined
      {Qt::Key_7, [&] { return model.DataSwitch(7); }},
      {Qt::Key_L, [&] { return model.Memory().data[0x801] == 0x80; }},
      {Qt::Key_S, [&] { return !model.SingleStepMode(); }},
  };
  for (const Case& c : cases) {
    QTest::keyClick(window.get(), c.key);
    EXPECT_TRUE(c.done()) << QKeySequence(c.key).toString().toStdString();
  }

  // Help > Keyboard lists every keyed action, the editor's too before it is first opened.
  QString listed;
  test::WhenModal([&](QWidget* box) {
    // A window that scrolls: the list is longer than a small screen.
    listed = box->findChild<QPlainTextEdit*>("txt_Keyboard")->toPlainText();
    qobject_cast<QDialog*>(box)->accept();
  });
  Find<QAction>(window.get(), "mnu_Keyboard")->trigger();
  for (const char* line : {"Ctrl+E\tEditor", "Ctrl+L\tLamps as Text", "Ctrl+T\tRun Tests...", "Ctrl+M\tMonitor",
                           "Ctrl+R\tReassemble and Load", "Ctrl+Z\tUndo", "F9\tToggle Breakpoint", "Ctrl+B\tToggle"})
    EXPECT_TRUE(listed.contains(line)) << line;

  const QString about = AboutText(model.DataDir());
  EXPECT_TRUE(about.contains(SCMP_VERSION_FOR_TESTS));
  EXPECT_TRUE(about.contains("Licence"));
  EXPECT_TRUE(about.contains(QString::fromStdString(model.DataDir())));
}

// The Speed menu sets the speed, shown on the panel; Unlimited at start-up.
TEST_F(MainWindowTest, SpeedMenuSetsTheSpeedShownOnThePanel) {
  EXPECT_EQ(Text("lbl_Rate"), "Speed: Unlimited");
  EXPECT_TRUE(Find<QAction>(window.get(), "mnu_Speed_0")->isChecked());
  Find<QAction>(window.get(), "mnu_Speed_1")->trigger();
  EXPECT_EQ(model.Options().speed_factor, 1);
  EXPECT_EQ(Text("lbl_Rate"), "Speed: Real time");
  Find<QAction>(window.get(), "mnu_Speed_10")->trigger();
  EXPECT_EQ(Text("lbl_Rate"), QString::fromUtf8("Speed: 10\u00d7"));
}

// Enlarged, the panel scales as a whole and keeps its proportions, centred;
// the window never goes below its opening size.
TEST_F(MainWindowTest, PanelScalesWithTheWindow) {
  QWidget* frame = window->centralWidget();
  QWidget* board = Find<QWidget>(window.get(), "pic_Board");
  const QSize base(591, 409);
  EXPECT_EQ(frame->size(), base);
  EXPECT_EQ(frame->minimumSize(), base);
  const double font_before = Find<QLabel>(window.get(), "lbl_P0")->font().pointSizeF();
  auto place = [&](const char* name) {
    QWidget* w = Find<QWidget>(window.get(), name);
    return QRect(w->mapTo(board, QPoint(0, 0)), w->size());
  };

  window->resize(window->width() - frame->width() + 3 * 591, window->height() - frame->height() + 2 * 409);
  QApplication::processEvents();
  EXPECT_EQ(board->size(), 2 * base);
  EXPECT_EQ(board->pos(), QPoint((frame->width() - 2 * 591) / 2, 0));
  EXPECT_EQ(place("cmd_Reset"), QRect(82, 36, 122, 66));
  EXPECT_EQ(place("Led_7"), QRect(600, 120, 50, 50));
  EXPECT_DOUBLE_EQ(Find<QLabel>(window.get(), "lbl_P0")->font().pointSizeF(), 2 * font_before);

  window->resize(200, 150);
  QApplication::processEvents();
  EXPECT_GE(frame->width(), 591);
  EXPECT_EQ(board->size(), base);
}

}  // namespace
}  // namespace scmp

