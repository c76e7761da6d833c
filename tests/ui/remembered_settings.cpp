// What the program remembers between starts, kept in a settings file of the
// test's own: each value read back by a fresh instance, as at the next start.
#include "ui/remembered_settings.h"

#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "tests/support/gui_support.h"
#include "trainer/panel_model.h"
#include "ui/file_chooser.h"
#include "ui/zoom.h"

namespace scmp {
namespace {

class RememberedTest : public ::testing::Test {
 protected:
  std::unique_ptr<RememberedSettings> Start() {
    return std::make_unique<RememberedSettings>(std::make_unique<QSettings>(dir.filePath("test.conf"), QSettings::IniFormat));
  }
  QTemporaryDir dir;
};

TEST_F(RememberedTest, ValuesComeBackAtTheNextStart) {
  {
    auto first = Start();
    first->SetTheme(ThemeChoice::kDark);
    first->SetSpeed(10);
    first->SetLastFolder("frm_LoadAsm", "/some/folder");
    for (int i = 0; i < RememberedSettings::kRecentFiles + 2; ++i) first->AddRecentFile(QString("/f%1.s").arg(i));
    first->AddRecentFile("/f3.s");  // again: moves to the top, not twice
  }
  auto next = Start();
  EXPECT_EQ(next->Theme(), ThemeChoice::kDark);
  EXPECT_EQ(next->Speed(1), 10);
  EXPECT_EQ(next->LastFolder("frm_LoadAsm"), "/some/folder");
  EXPECT_EQ(next->LastFolder("frm_OpenMem"), "");
  const QStringList recent = next->RecentFiles();
  ASSERT_EQ(recent.size(), RememberedSettings::kRecentFiles);
  EXPECT_EQ(recent.front(), "/f3.s");
  EXPECT_EQ(recent.count("/f3.s"), 1);
  EXPECT_EQ(recent[1], "/f9.s");
}

TEST_F(RememberedTest, MissingOrUnknownValuesFallBack) {
  auto settings = Start();
  EXPECT_EQ(settings->Theme(), ThemeChoice::kSystem);
  EXPECT_EQ(settings->Speed(2), 2);
  settings->Store().setValue("speed", 7);  // no such speed in the menu
  settings->Store().setValue("theme", "purple");
  EXPECT_EQ(settings->Speed(2), 2);
  EXPECT_EQ(settings->Theme(), ThemeChoice::kSystem);
}

TEST_F(RememberedTest, WindowsPlacesZoomAndFoldersAreKeptWhileWatched) {
  test::DataFolder data;
  {
    auto first = Start();
    first->Watch();
    QWidget main, tool;
    main.setObjectName("frm_Probe");
    tool.setObjectName("frm_Tool");
    tool.setWindowFlag(Qt::Window);
    main.setGeometry(40, 50, 300, 200);
    main.show();
    tool.show();
    main.setGeometry(60, 70, 320, 210);
    Zoom::Instance()->SetLevel("frm_Tool", 2);
    PanelModel model;
    std::string error;
    ASSERT_TRUE(model.StartUp(data.Dir(), &error)) << error;
    FileChooser chooser(FileChooser::Kind::kLoadAsm, model, nullptr);
    ASSERT_TRUE(chooser.ChangeDirectory(dir.path()));
    first->KeepWindows(&main);
  }
  Zoom::Instance()->SetLevel("frm_Tool", 0);
  auto next = Start();
  EXPECT_EQ(next->OpenWindows(), QStringList{"frm_Tool"});
  EXPECT_EQ(next->ZoomLevel("frm_Tool"), 2);
  EXPECT_EQ(next->LastFolder("frm_LoadAsm"), dir.path());
  next->Watch();
  EXPECT_EQ(Zoom::Instance()->Level("frm_Tool"), 2);
  QWidget again;
  again.setObjectName("frm_Probe");
  again.show();
  EXPECT_EQ(again.size(), QSize(320, 210));
  Zoom::Instance()->SetLevel("frm_Tool", 0);
}

}  // namespace
}  // namespace scmp
