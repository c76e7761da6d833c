// Sources in the window: Assemble Source... with its diagnostics window,
// Ctrl+R after a fix, the title, and files loaded by extension as the
// command line and a drop load them.
#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "files/intel_hex.h"
#include "ui/editor_window.h"
#include "ui/main_window.h"
#include "tests/support/gui_support.h"
#include "tests/support/window_fixture.h"

namespace scmp {
namespace {

using test::Find;

class AssembleSourceTest : public test::PanelWindowTest {
 protected:
  int Byte(int address) { return model.Memory().data[address]; }

};

TEST_F(AssembleSourceTest, ErrorsShowCopyableDiagnosticsAndCtrlRLoadsTheFixedSource) {
  const std::string path = data.temp.Write("Samples/PROG.s", " .org 1\n LDI 0x42\n BOGUS\n ST 0x300(P1)\n");
  model.Memory().data[2] = 0x99;

  // Files > Assemble Source..., PROG.s, OK: the diagnostics come up.
  QString diagnostics, copied;
  bool read_only = false;
  test::WhenModal([&](QWidget* chooser) {
    test::WhenModal([&](QWidget* dialog) {
      EXPECT_EQ(dialog->objectName(), "frm_Diagnostics");
      auto* text = Find<QPlainTextEdit>(dialog, "txt_Diagnostics");
      diagnostics = text->toPlainText();
      read_only = text->isReadOnly();
      QTest::mouseClick(Find<QPushButton>(dialog, "cmd_Diagnostics_Copy"), Qt::LeftButton);
      copied = QApplication::clipboard()->text();
      QTest::mouseClick(Find<QPushButton>(dialog, "cmd_Diagnostics_Close"), Qt::LeftButton);
    }, chooser);
    auto* files = Find<QListWidget>(chooser, "fil_AsmSource");
    ASSERT_EQ(files->count(), 1);
    files->item(0)->setSelected(true);
    QTest::mouseClick(Find<QPushButton>(chooser, "cmd_AsmSource_Ok"), Qt::LeftButton);
  });
  Find<QAction>(window.get(), "mnu_AsmSource")->trigger();

  const QString file = QString::fromStdString(path);
  EXPECT_TRUE(diagnostics.startsWith(file + ":3:2: error: ")) << diagnostics.toStdString();
  EXPECT_TRUE(diagnostics.contains("\n" + file + ":4:")) << diagnostics.toStdString();
  EXPECT_TRUE(read_only);
  EXPECT_EQ(copied, diagnostics);
  EXPECT_EQ(Byte(2), 0x99);  // nothing loaded
  EXPECT_EQ(window->windowTitle(), "SC/MP Trainer");

  // Fixed in the editor, then Ctrl+R: no file window, the bytes are in.
  data.temp.Write("Samples/PROG.s", " .org 1\n LDI 0x42\n ST 0x30(P1)\n");
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(Byte(2), 0x42);
  EXPECT_EQ(Byte(3), 0xC9);
  EXPECT_EQ(window->windowTitle(), "SC/MP Trainer - PROG.s: 4 bytes, 001-004");
}

TEST_F(AssembleSourceTest, CommandLineAndDroppedFilesLoadByTheirExtension) {
  // Each puts its own byte at 0x010.
  model.Memory().data[0x10] = 0x44;
  std::string error;
  ASSERT_TRUE(model.SaveMemoryImage(data.temp.File("IMAGE.Ram"), &error)) << error;
  const struct {
    std::string path;
    int byte;
  } cases[] = {
      {data.temp.Write("prog.S", " .org 0x10\n .byte 0x11\n"), 0x11},
      {data.temp.Write("list.asm", "@0010\n22\n"), 0x22},
      {data.temp.Write("code.HEX", ":0100100033BC\n:00000001FF\n"), 0x33},
      {data.temp.File("IMAGE.Ram"), 0x44},
  };
  for (const auto& c : cases) {
    model.Memory().data[0x10] = 0;
    EXPECT_TRUE(window->LoadFile(c.path)) << c.path;
    EXPECT_EQ(Byte(0x10), c.byte) << c.path;
    const QString name = QString::fromStdString(std::filesystem::path(c.path).filename().string());
    EXPECT_TRUE(window->windowTitle().startsWith("SC/MP Trainer - " + name)) << window->windowTitle().toStdString();
  }
  // A source opens in the editor; its bytes past the board's 4K are told
  // range by range, as a HEX file's are.
  EXPECT_EQ(window->Editor()->Path(), QString::fromStdString(cases[0].path));
  ASSERT_TRUE(window->LoadFile(data.temp.Write("far.s", " .org 0x20\n .byte 0x11\n .org 0xD500\n NOP\n")));
  auto* report = Find<QMessageBox>(window.get(), "msg_LoadReport");
  EXPECT_TRUE(report->text().contains("far.s: 1 byte at D500 dropped: outside the board's 4K")) << report->text().toStdString();

  // A file of no known kind: a message, nothing loaded.
  QString message;
  test::WhenModal([&](QWidget* w) {
    message = qobject_cast<QMessageBox*>(w)->text();
    static_cast<QDialog*>(w)->accept();
  });
  EXPECT_FALSE(window->LoadFile(data.temp.Write("notes.txt", "@0010\n55\n")));
  EXPECT_TRUE(message.startsWith("notes.txt: the kind of file is not known")) << message.toStdString();
  EXPECT_EQ(Byte(0x10), 0x44);

  // Two files dropped at once load in their order: the HEX file's byte wins.
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(cases[1].path)),
                QUrl::fromLocalFile(QString::fromStdString(cases[2].path))});
  // The drag enters first: the window takes only a drop it accepted.
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);
  QTest::qWait(20);
  EXPECT_EQ(Byte(0x10), 0x33);
  EXPECT_EQ(window->windowTitle(), "SC/MP Trainer - code.HEX: 1 byte, 010-010");
}

}  // namespace
}  // namespace scmp
