// The settings window: what it shows on opening, what OK does with the
// texts typed, the labels it has written, and the trace log.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "trainer/number_text.h"
#include "ui/main_window.h"
#include "ui/settings_window.h"
#include "tests/support/gui_support.h"

namespace scmp {
namespace {

using test::Find;

class SettingsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(model.StartUp(data.Dir(), &error)) << error;
    panel = std::make_unique<PanelWindow>(model);
    panel->SetExitAction([] {});
    Open();
  }

  void Open() {
    settings = std::make_unique<SettingsWindow>(model, panel.get());
    settings->show();
  }
  QLineEdit* Box(const char* name) { return Find<QLineEdit>(settings.get(), name); }
  QRadioButton* Option(const char* name) { return Find<QRadioButton>(settings.get(), name); }
  QString Label(const char* name) {
    panel->Refresh();
    return Find<QLabel>(panel.get(), name)->text();
  }
  // A click on an option's round button.
  static void Choose(QRadioButton* option) {
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
  }
  // Types the two texts, picks the options and presses OK.
  void Ok(const QString& pause, const QString& delay = " 1", bool fast = true, bool trace = false) {
    Box("txt_MaxOpcode")->setText(pause);
    Box("txt_Delay")->setText(delay);
    Choose(Option(fast ? "opt_Speed_0" : "opt_Speed_1"));
    Choose(Option(trace ? "opt_Trace_1" : "opt_Trace_0"));
    QTest::mouseClick(Find<QPushButton>(settings.get(), "cmd_MaxOpcode"), Qt::LeftButton);
  }

  test::DataFolder data;
  PanelModel model;
  std::unique_ptr<PanelWindow> panel;
  std::unique_ptr<SettingsWindow> settings;
};

TEST_F(SettingsWindowTest, OpeningShowsTheRunOptions) {
  EXPECT_EQ(settings->windowTitle(), "Settings");
  EXPECT_EQ(Box("txt_MaxOpcode")->text(), " 10000");
  EXPECT_EQ(Box("txt_Delay")->text(), " 1");
  EXPECT_TRUE(Option("opt_Speed_0")->isChecked());
  EXPECT_FALSE(Option("opt_Speed_1")->isChecked());
  EXPECT_TRUE(Option("opt_Trace_0")->isChecked());
  EXPECT_FALSE(Option("opt_Trace_1")->isChecked());
  EXPECT_EQ(Option("opt_Speed_0")->text(), "Fast");
  EXPECT_EQ(Option("opt_Speed_1")->text(), "Slow");
  EXPECT_EQ(Option("opt_Trace_0")->text(), "Disable Trace");
  EXPECT_EQ(Option("opt_Trace_1")->text(), "Enable Trace");
  EXPECT_EQ(Find<QPushButton>(settings.get(), "cmd_MaxOpcode")->text(), "OK");

  // Options changed elsewhere show in a window made afterwards.
  model.ApplySettings({"250", "0.5", false, false});
  Open();
  EXPECT_EQ(Box("txt_MaxOpcode")->text(), " 250");
  EXPECT_EQ(Box("txt_Delay")->text(), " .5");
  EXPECT_TRUE(Option("opt_Speed_1")->isChecked());
}

TEST_F(SettingsWindowTest, ColoursFontsAndSize) {
  EXPECT_EQ(settings->size(), QSize(576, 320));
  EXPECT_EQ(settings->palette().color(QPalette::Window), QColor(255, 192, 128));
  for (const char* group : {"fra_Pause", "fra_Trace", "fra_Speed", "fra_Delay"})
    EXPECT_EQ(Find<QFrame>(settings.get(), group)->palette().color(QPalette::Window), QColor(255, 224, 192)) << group;
  QFont caption = Find<QLabel>(settings.get(), "lbl_Pause_Caption")->font();
  EXPECT_TRUE(caption.bold());
  EXPECT_DOUBLE_EQ(caption.pointSizeF(), 9.75);
  QFont help = Find<QLabel>(settings.get(), "lbl_Delay_Help")->font();
  EXPECT_FALSE(help.bold());
  QFont ok = Find<QPushButton>(settings.get(), "cmd_MaxOpcode")->font();
  EXPECT_TRUE(ok.bold());
  EXPECT_DOUBLE_EQ(ok.pointSizeF(), 12.0);
  EXPECT_EQ(Find<QLabel>(settings.get(), "lbl_Speed_Caption")->text(), "Fast or Slow execution mode");
}

// The help texts state the defaults, ranges and file name the program uses.
TEST_F(SettingsWindowTest, HelpTextsSayWhatTheProgramDoes) {
  ASSERT_TRUE(model.Options().pause_count == 10000 && model.Options().delay_seconds == 1.0f);
  ASSERT_TRUE(PauseCountFrom(2e9) == 1000000000 && DelayFrom(0.0) == 0.1f && DelayFrom(11.0) == 10.0f);
  const std::pair<const char*, QString> cases[] = {
      {"lbl_Pause_Help", "Default = 10,000"},
      {"lbl_Pause_Help", "0 \u2264 n \u2264 1,000,000,000 (0 = no pause)"},
      {"lbl_Delay_Help", "0.1 \u2264 t \u2264 10.0 (default = 1.0)"},
      {"lbl_Trace_Caption", "(TRACE.LOG)"},
  };
  for (const auto& [label, text] : cases)
    EXPECT_TRUE(Find<QLabel>(settings.get(), label)->text().contains(text)) << text.toStdString();
  Ok("10", " 1", true, true);
  EXPECT_TRUE(std::filesystem::exists(model.DataDir() + "TRACE.LOG"));
}

TEST_F(SettingsWindowTest, PauseCountTexts) {
  struct Case {
    const char* typed;
    const char* shown;
    int32_t count;
  } cases[] = {
      {"abc", " 0", 0},         {"", " 0", 0},       {"-5", " 0", 0},     {"2000000000", " 1000000000", 1000000000},
      {"2.5", " 2", 2},         {"3.5", " 4", 4},    {"1,000", " 1000", 1000},  {" 7 5", " 75", 75},
  };
  for (const Case& c : cases) {
    Ok(c.typed);
    EXPECT_EQ(Box("txt_MaxOpcode")->text(), c.shown) << c.typed;
    EXPECT_EQ(model.Options().pause_count, c.count) << c.typed;
    EXPECT_FALSE(settings->isVisible()) << "OK hides the window";
    settings->show();
  }
}

TEST_F(SettingsWindowTest, NoPauseIsShownOnlyForZero) {
  Ok("25");
  EXPECT_EQ(Label("lbl_cycles"), "");
  settings->show();
  Ok("0");
  EXPECT_EQ(Label("lbl_cycles"), "No Pause");
  settings->show();
  Ok("25");
  EXPECT_EQ(Label("lbl_cycles"), "No Pause");  // left as it was
}

TEST_F(SettingsWindowTest, DelayIsClampedButItsTextKept) {
  Ok(" 10000", "0", /*fast=*/false);
  EXPECT_EQ(model.Options().delay_seconds, 0.1f);
  EXPECT_EQ(Box("txt_Delay")->text(), "0");
  EXPECT_EQ(Label("lbl_Delay"), "Delay = .1");

  settings->show();
  Ok(" 10000", "20", /*fast=*/false);
  EXPECT_EQ(model.Options().delay_seconds, 10.0f);
  EXPECT_EQ(Label("lbl_Delay"), "Delay = 10");
  // Shown again, the window keeps what was typed.
  settings->show();
  EXPECT_EQ(Box("txt_Delay")->text(), "20");
}

TEST_F(SettingsWindowTest, SpeedLabels) {
  Ok(" 10000", "0.5", /*fast=*/false);
  EXPECT_EQ(Label("lbl_Delay"), "Delay = .5");
  EXPECT_EQ(Label("lbl_Speed"), "Slow       ");
  EXPECT_FALSE(model.Options().fast_mode);

  settings->show();
  Ok(" 10000", "3", /*fast=*/true);
  EXPECT_EQ(Label("lbl_Delay"), "No Delay      ");
  EXPECT_EQ(Label("lbl_Speed"), "Fast       ");
  EXPECT_EQ(model.Options().delay_seconds, 3.0f);  // stored all the same
  EXPECT_EQ(Label("lbl_Trace"), "Trace = off");
}

TEST_F(SettingsWindowTest, EnablingTraceCreatesAnEmptyLogReplacingAnOldOne) {
  const std::string log = data.Dir() + "TRACE.LOG";
  data.temp.Write("TRACE.LOG", "old contents\r\n");
  Ok(" 10000", " 1", true, /*trace=*/true);
  EXPECT_TRUE(model.Options().trace_on);
  EXPECT_EQ(Label("lbl_Trace"), "Trace = on ");
  EXPECT_TRUE(model.Trace().IsOpen());
  model.Trace().Flush();
  EXPECT_EQ(test::ReadFile(log), "");

  settings->show();
  Ok(" 10000", " 1", true, /*trace=*/false);
  EXPECT_EQ(Label("lbl_Trace"), "Trace = off");
  EXPECT_TRUE(model.Trace().IsOpen());  // disabling never closes it
}

TEST_F(SettingsWindowTest, ATraceLogThatCannotBeCreatedIsReportedAndTracingStaysOff) {
  // A folder where the log file should go.
  std::filesystem::create_directory(data.Dir() + "TRACE.LOG");
  QString message, title;
  test::WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    message = box->text();
    title = box->windowTitle();
    box->accept();
  }, settings.get());
  Ok(" 10000", " 1", true, /*trace=*/true);

  EXPECT_TRUE(message.contains(QString::fromStdString(data.Dir() + "TRACE.LOG"))) << message.toStdString();
  EXPECT_FALSE(model.Options().trace_on);
  EXPECT_EQ(Label("lbl_Trace"), "Trace = off");
  EXPECT_TRUE(Option("opt_Trace_0")->isChecked());
  EXPECT_FALSE(settings->isVisible());
}

// Escape drops what was typed: the fields show the options in force again
// and a later OK cannot apply it. Return presses OK, trace limit included.
TEST_F(SettingsWindowTest, EscapeDropsWhatWasTypedAndReturnPressesOk) {
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
    Open();
    Box("txt_MaxOpcode")->setText("1,555");
    Box("txt_Trace_Limit")->setText("7");
    Choose(Option("opt_Speed_1"));
    Box("txt_MaxOpcode")->setFocus();
    QTest::keyClick(Box("txt_MaxOpcode"), key);
    EXPECT_FALSE(settings->isVisible());
    const bool applied = key == Qt::Key_Return;
    EXPECT_EQ(model.Options().pause_count, applied ? 1555 : 10000);
    EXPECT_EQ(model.Options().trace_limit_mb, applied ? 7 : 1024);
    EXPECT_EQ(model.Trace().Limit(), uint64_t{applied ? 7u : 1024u} << 20);
    EXPECT_EQ(model.Options().fast_mode, !applied);
    if (!applied) {
      EXPECT_EQ(Box("txt_MaxOpcode")->text(), " 10000");
      EXPECT_EQ(Box("txt_Trace_Limit")->text(), " 1024");
      EXPECT_TRUE(Option("opt_Speed_0")->isChecked());
      settings->show();
      QTest::mouseClick(Find<QPushButton>(settings.get(), "cmd_MaxOpcode"), Qt::LeftButton);
      EXPECT_EQ(model.Options().pause_count, 10000);
    }
  }
}

}  // namespace
}  // namespace scmp
