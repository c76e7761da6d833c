// The file windows: where they start, what the lists show, OK without a
// choice, loading and saving, Cancel, failures and changing folders.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "ui/file_chooser.h"
#include "ui/main_window.h"
#include "tests/support/gui_support.h"

namespace scmp {
namespace {

using test::Find;
namespace fs = std::filesystem;

class FileChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(model.StartUp(data.Dir(), &error)) << error;
    for (const char* name : {"A.RAM", "b.ram", "c.Ram", "d.asm", "E.ASM", "notes.txt", "ram"})
      data.temp.Write(std::string("Samples/") + name, "");
    fs::create_directory(data.Samples() + "/sub");
    parent = std::make_unique<QWidget>();
  }

  std::unique_ptr<FileChooser> Make(FileChooser::Kind kind) {
    auto w = std::make_unique<FileChooser>(kind, model, parent.get());
    w->show();
    return w;
  }

  static QStringList Items(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text().trimmed();
    return out;
  }
  static void ClickItem(QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->text().trimmed() != text) continue;
      list->scrollToItem(list->item(i));
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(i)).center());
      return;
    }
    ADD_FAILURE() << "no item " << text.toStdString();
  }
  static void DoubleClickItem(QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->text().trimmed() != text) continue;
      list->scrollToItem(list->item(i));
      const QPoint at = list->visualItemRect(list->item(i)).center();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
      return;
    }
    ADD_FAILURE() << "no item " << text.toStdString();
  }

  // Presses a button that brings up a message box, answers it and returns
  // the box's text, title, icon and button count.
  struct Message {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::Information;
    int buttons = 0;
  };
  Message PressExpectingMessage(QWidget* window, const QString& button) {
    Message m;
    test::WhenModal([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      m = {box->text(), box->windowTitle(), box->icon(), static_cast<int>(box->buttons().size())};
      box->accept();
    }, window);
    QTest::mouseClick(Find<QPushButton>(window, button), Qt::LeftButton);
    return m;
  }

  // A memory image with a marker byte, saved through the model.
  std::string MakeImage(const std::string& path, int16_t marker) {
    const int16_t keep = model.Memory().data[0x100];
    model.Memory().data[0x100] = marker;
    std::string error;
    EXPECT_TRUE(model.SaveMemoryImage(path, &error)) << error;
    model.Memory().data[0x100] = keep;
    return path;
  }

  test::DataFolder data;
  PanelModel model;
  std::unique_ptr<QWidget> parent;
};

TEST_F(FileChooserTest, WindowsStartInTheSamplesFolderWithTheirTextsAndPatterns) {
  auto open = Make(FileChooser::Kind::kOpenMem);
  EXPECT_EQ(open->objectName(), "frm_OpenMem");
  EXPECT_EQ(open->windowTitle(), "Open Memory Image");
  EXPECT_EQ(open->Directory(), data.QSamples());
  EXPECT_EQ(Find<QLineEdit>(open.get(), "Txt_OpenMem")->text(), "*.ram");
  EXPECT_EQ(Items(Find<QListWidget>(open.get(), "fil_OpenMem")), QStringList({"A.RAM", "b.ram", "c.Ram"}));
  EXPECT_TRUE(Items(Find<QListWidget>(open.get(), "dir_OpenMem")).contains("sub"));
  EXPECT_TRUE(Items(Find<QListWidget>(open.get(), "dir_OpenMem")).contains("Samples"));
  auto* drives = Find<QComboBox>(open.get(), "drv_OpenMem");
  EXPECT_GE(drives->findData(QDir::rootPath()), 0);
  EXPECT_TRUE(data.QSamples().startsWith(drives->currentData().toString()));
  EXPECT_EQ(Find<QPushButton>(open.get(), "cmd_OpenMem_Ok")->text(), "OK");
  EXPECT_EQ(Find<QPushButton>(open.get(), "cmd_OpenMem_Cancel")->text(), "Cancel");

  auto load = Make(FileChooser::Kind::kLoadAsm);
  EXPECT_EQ(load->objectName(), "frm_LoadAsm");
  EXPECT_EQ(load->windowTitle(), "Load ASM-file");
  EXPECT_EQ(Find<QLineEdit>(load.get(), "Txt_LoadAsm")->text(), "*.asm");
  EXPECT_EQ(Items(Find<QListWidget>(load.get(), "fil_LoadAsm")), QStringList({"d.asm", "E.ASM"}));

  auto save = Make(FileChooser::Kind::kSaveMemAs);
  EXPECT_EQ(save->objectName(), "frm_SaveMemAs");
  EXPECT_EQ(save->windowTitle(), "Save Memory Image As");
  EXPECT_EQ(Find<QLineEdit>(save.get(), "txt_SaveMemAs")->text(), "Noname.ram");
  EXPECT_EQ(Find<QLineEdit>(save.get(), "txt_SaveMemAs_Fp")->text(), data.QSamples() + "/Noname.ram");
  EXPECT_EQ(Items(Find<QListWidget>(save.get(), "fil_SaveMemAs")), QStringList({"A.RAM", "b.ram", "c.Ram"}));
  EXPECT_EQ(Find<QPushButton>(save.get(), "cmd_SaveMemAs_Save")->text(), "Save");
}

TEST_F(FileChooserTest, WithoutASamplesFolderTheWindowsStartInTheCurrentDirectory) {
  fs::remove_all(data.Samples());
  auto open = Make(FileChooser::Kind::kOpenMem);
  EXPECT_EQ(open->Directory(), QDir::currentPath());
}

TEST_F(FileChooserTest, OkWithNothingSelectedSaysSoAndStaysOpen) {
  const MemoryArray before = model.Memory();
  auto open = Make(FileChooser::Kind::kOpenMem);
  Message m = PressExpectingMessage(open.get(), "cmd_OpenMem_Ok");
  EXPECT_EQ(m.text, "        No File was selected!");
  EXPECT_EQ(m.title, "Error While opening File");
  EXPECT_EQ(m.icon, QMessageBox::NoIcon);
  EXPECT_EQ(m.buttons, 1);
  EXPECT_TRUE(open->isVisible());
  EXPECT_TRUE(model.Memory() == before);

  auto load = Make(FileChooser::Kind::kLoadAsm);
  EXPECT_EQ(PressExpectingMessage(load.get(), "cmd_LoadAsm_Ok").text, "        No File was selected!");
  EXPECT_TRUE(load->isVisible());
}

TEST_F(FileChooserTest, ChoosingAnImageAndOkLoadsItAndTheWindowKeepsItsChoice) {
  MakeImage(data.Samples() + "/b.ram", 0x77);
  auto open = Make(FileChooser::Kind::kOpenMem);
  auto* files = Find<QListWidget>(open.get(), "fil_OpenMem");
  ClickItem(files, "b.ram");
  EXPECT_EQ(Find<QLineEdit>(open.get(), "Txt_OpenMem")->text(), data.QSamples() + "/b.ram");
  QTest::mouseClick(Find<QPushButton>(open.get(), "cmd_OpenMem_Ok"), Qt::LeftButton);
  EXPECT_EQ(model.Memory().data[0x100], 0x77);
  EXPECT_FALSE(open->isVisible());

  open->show();
  EXPECT_EQ(open->Directory(), data.QSamples());
  ASSERT_EQ(files->selectedItems().size(), 1);
  EXPECT_EQ(files->selectedItems().first()->text(), "b.ram");
}

TEST_F(FileChooserTest, ChoosingAListingLoadsIt) {
  data.temp.Write("Samples/d.asm", "; test\r\n@0010\r\nC4 ; LDI\r\n5A\r\n");
  auto load = Make(FileChooser::Kind::kLoadAsm);
  ClickItem(Find<QListWidget>(load.get(), "fil_LoadAsm"), "d.asm");
  QTest::mouseClick(Find<QPushButton>(load.get(), "cmd_LoadAsm_Ok"), Qt::LeftButton);
  EXPECT_FALSE(load->isVisible());
  EXPECT_EQ(model.Memory().data[0x010], 0xC4);
  EXPECT_EQ(model.Memory().data[0x011], 0x5A);
}

TEST_F(FileChooserTest, ALoaderFailureNamesTheFileAndTheWindowStaysOpen) {
  data.temp.Write("Samples/A.RAM", "12\r\nnot a number\r\n");
  const MemoryArray before = model.Memory();
  auto open = Make(FileChooser::Kind::kOpenMem);
  ClickItem(Find<QListWidget>(open.get(), "fil_OpenMem"), "A.RAM");
  Message m = PressExpectingMessage(open.get(), "cmd_OpenMem_Ok");
  EXPECT_TRUE(m.text.contains("A.RAM")) << m.text.toStdString();
  EXPECT_TRUE(open->isVisible());
  EXPECT_TRUE(model.Memory() == before);
}

TEST_F(FileChooserTest, CancelChangesNothing) {
  MakeImage(data.Samples() + "/c.Ram", 0x42);
  const MemoryArray before = model.Memory();
  auto open = Make(FileChooser::Kind::kOpenMem);
  auto* files = Find<QListWidget>(open.get(), "fil_OpenMem");
  ClickItem(files, "c.Ram");
  QTest::mouseClick(Find<QPushButton>(open.get(), "cmd_OpenMem_Cancel"), Qt::LeftButton);
  EXPECT_FALSE(open->isVisible());
  EXPECT_FALSE(open->Discarded());
  EXPECT_TRUE(model.Memory() == before);

  open->show();
  EXPECT_EQ(Find<QLineEdit>(open.get(), "Txt_OpenMem")->text(), data.QSamples() + "/c.Ram");
  ASSERT_EQ(files->selectedItems().size(), 1);
  EXPECT_EQ(files->selectedItems().first()->text(), "c.Ram");

  auto save = Make(FileChooser::Kind::kSaveMemAs);
  QTest::mouseClick(Find<QPushButton>(save.get(), "cmd_SaveMemAs_Cancel"), Qt::LeftButton);
  EXPECT_FALSE(fs::exists(data.Samples() + "/Noname.ram"));
}

TEST_F(FileChooserTest, SaveIntoAnotherFolder) {
  model.Memory().data[0x200] = 0x99;
  auto save = Make(FileChooser::Kind::kSaveMemAs);
  auto* path = Find<QLineEdit>(save.get(), "txt_SaveMemAs_Fp");
  auto* name = Find<QLineEdit>(save.get(), "txt_SaveMemAs");

  DoubleClickItem(Find<QListWidget>(save.get(), "dir_SaveMemAs"), "sub");
  EXPECT_EQ(save->Directory(), data.QSamples() + "/sub");
  EXPECT_EQ(path->text(), data.QSamples() + "/sub/Noname.ram");
  EXPECT_TRUE(Items(Find<QListWidget>(save.get(), "fil_SaveMemAs")).isEmpty());

  QTest::mouseClick(Find<QPushButton>(save.get(), "cmd_SaveMemAs_Save"), Qt::LeftButton);
  EXPECT_FALSE(save->isVisible());
  ASSERT_TRUE(fs::exists(data.Samples() + "/sub/Noname.ram"));

  model.Memory().data[0x200] = 0;
  std::string error;
  ASSERT_TRUE(model.LoadMemoryImage(data.Samples() + "/sub/Noname.ram", &error)) << error;
  QTest::keyClicks(name, "x");
  EXPECT_EQ(model.Memory().data[0x200], 0x99);

  // Back up a folder: a clicked file name goes into both boxes.
  save->show();
  DoubleClickItem(Find<QListWidget>(save.get(), "dir_SaveMemAs"), "Samples");
  EXPECT_EQ(path->text(), data.QSamples() + "/Noname.ramx");
  ClickItem(Find<QListWidget>(save.get(), "fil_SaveMemAs"), "A.RAM");
  EXPECT_EQ(name->text(), "A.RAM");
  EXPECT_EQ(path->text(), data.QSamples() + "/A.RAM");
}

TEST_F(FileChooserTest, ASaverFailureNamesTheFileAndTheWindowStaysOpen) {
  auto save = Make(FileChooser::Kind::kSaveMemAs);
  const QString bad = data.QSamples() + "/missing/x.ram";
  Find<QLineEdit>(save.get(), "txt_SaveMemAs_Fp")->setText(bad);
  Message m = PressExpectingMessage(save.get(), "cmd_SaveMemAs_Save");
  EXPECT_TRUE(m.text.contains(bad)) << m.text.toStdString();
  EXPECT_TRUE(save->isVisible());
}

TEST_F(FileChooserTest, ChangingFolderClearsTheChoiceButKeepsThePathBox) {
  auto open = Make(FileChooser::Kind::kOpenMem);
  auto* files = Find<QListWidget>(open.get(), "fil_OpenMem");
  ClickItem(files, "A.RAM");
  DoubleClickItem(Find<QListWidget>(open.get(), "dir_OpenMem"), "sub");
  EXPECT_TRUE(files->selectedItems().isEmpty());
  EXPECT_EQ(Find<QLineEdit>(open.get(), "Txt_OpenMem")->text(), data.QSamples() + "/A.RAM");

  // The root of the file system is one of the drives; moving there shows it.
  DoubleClickItem(Find<QListWidget>(open.get(), "dir_OpenMem"), "/");
  EXPECT_EQ(open->Directory(), QDir::rootPath());
  EXPECT_EQ(Find<QComboBox>(open.get(), "drv_OpenMem")->currentData().toString(), QDir::rootPath());
}

TEST_F(FileChooserTest, ACloseFromTheFrameDiscardsTheWindow) {
  auto open = Make(FileChooser::Kind::kOpenMem);
  EXPECT_FALSE(open->Discarded());
  open->close();
  EXPECT_TRUE(open->Discarded());
}

// ---- What is typed counts ----------------------------------------------------

// Without a chosen file, the path box is used when it names an existing
// file, a relative name taken in the window's folder; otherwise the message.
TEST_F(FileChooserTest, APathTypedIntoTheOpenWindowsIsOpened) {
  fs::copy_file(test::SourceDataDir() + "Samples/COUNTER.RAM", data.Samples() + "/sub/GOOD.RAM");
  data.temp.Write("Samples/sub/GOOD.ASM", "@0100\r\nC4\r\n07\r\n");
  const struct {
    FileChooser::Kind kind;
    const char* box;
    const char* ok;
    QString typed;
    bool opens;
  } cases[] = {
      {FileChooser::Kind::kOpenMem, "Txt_OpenMem", "cmd_OpenMem_Ok", "sub/GOOD.RAM", true},
      {FileChooser::Kind::kOpenMem, "Txt_OpenMem", "cmd_OpenMem_Ok", data.QSamples() + "/sub/GOOD.RAM", true},
      {FileChooser::Kind::kLoadAsm, "Txt_LoadAsm", "cmd_LoadAsm_Ok", "sub/GOOD.ASM", true},
      {FileChooser::Kind::kOpenMem, "Txt_OpenMem", "cmd_OpenMem_Ok", "sub/MISSING.RAM", false},
      {FileChooser::Kind::kLoadAsm, "Txt_LoadAsm", "cmd_LoadAsm_Ok", "sub", false},
      {FileChooser::Kind::kLoadAsm, "Txt_LoadAsm", "cmd_LoadAsm_Ok", "*.asm", false},
  };
  const QString cwd = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QDir::rootPath()));  // not the window's folder
  for (const auto& c : cases) {
    model.SetLastFolder("");  // each window opens in the samples folder
    auto w = Make(c.kind);
    Find<QLineEdit>(w.get(), c.box)->setText(c.typed);
    if (c.opens) {
      QTest::mouseClick(Find<QPushButton>(w.get(), c.ok), Qt::LeftButton);
      EXPECT_FALSE(w->isVisible()) << c.typed.toStdString();
    } else {
      EXPECT_EQ(PressExpectingMessage(w.get(), c.ok).text, "        No File was selected!") << c.typed.toStdString();
      EXPECT_TRUE(w->isVisible());
    }
  }
  QDir::setCurrent(cwd);
  EXPECT_EQ(model.Memory().data[0x101], 0x07);  // the listing loaded
}

// The name box leads the path box; saving over a file asks first, and No
// keeps the file and the window.
TEST_F(FileChooserTest, TheTypedNameIsSavedAndAnExistingFileIsReplacedOnlyOnYes) {
  data.temp.Write("Samples/KEEP.RAM", "keep");
  const struct {
    const char* name;
    bool exists;
    QMessageBox::StandardButton answer;
    bool saved;
  } cases[] = {
      {"mybcd", false, QMessageBox::NoButton, true},
      {"KEEP.RAM", true, QMessageBox::No, false},
      {"KEEP.RAM", true, QMessageBox::Yes, true},
  };
  for (const auto& c : cases) {
    auto save = Make(FileChooser::Kind::kSaveMemAs);
    auto* name = Find<QLineEdit>(save.get(), "txt_SaveMemAs");
    name->clear();
    QTest::keyClicks(name, c.name);
    const QString target = data.QSamples() + "/" + c.name;
    EXPECT_EQ(Find<QLineEdit>(save.get(), "txt_SaveMemAs_Fp")->text(), target);
    QString asked;
    if (c.exists) {
      test::WhenModal([&](QWidget* w) {
        asked = w->objectName();
        static_cast<QMessageBox*>(w)->button(c.answer)->click();
      }, save.get());
    }
    QTest::mouseClick(Find<QPushButton>(save.get(), "cmd_SaveMemAs_Save"), Qt::LeftButton);
    EXPECT_EQ(asked, c.exists ? "msg_Replace" : "") << c.name;
    EXPECT_EQ(save->isVisible(), !c.saved) << c.name;
    const std::string content = test::ReadFile(target.toStdString());
    EXPECT_EQ(content == "keep", c.exists && !c.saved) << c.name;
    EXPECT_FALSE(fs::exists(data.Samples() + "/Noname.ram")) << c.name;
  }
}

// ---- Size, keys and the state windows ------------------------------------------

// A long name is shown whole; a window the user resized opens at that size.
TEST_F(FileChooserTest, WindowsFitTheirNamesAndKeepTheirSize) {
  const QString long_name = "A_RATHER_LONG_NAME_FOR_A_MEMORY_IMAGE.RAM";
  data.temp.Write("Samples/" + long_name.toStdString(), "");
  auto open = Make(FileChooser::Kind::kOpenMem);
  auto* files = Find<QListWidget>(open.get(), "fil_OpenMem");
  QApplication::processEvents();
  EXPECT_GE(files->viewport()->width(), files->fontMetrics().horizontalAdvance(long_name));
  const QSize wider = open->size() + QSize(120, 60);
  open->resize(wider);
  QTest::mouseClick(Find<QPushButton>(open.get(), "cmd_OpenMem_Cancel"), Qt::LeftButton);
  EXPECT_EQ(Make(FileChooser::Kind::kOpenMem)->size(), wider);
}

// Return in the folder list enters the folder and nothing else: no save, no
// load. Return in the name box or the file list then does the window's work.
TEST_F(FileChooserTest, ReturnInTheFolderListEntersTheFolder) {
  fs::copy_file(test::SourceDataDir() + "Samples/COUNTER.RAM", data.Samples() + "/sub/GOOD.RAM");
  const MemoryArray before = model.Memory();
  const struct {
    FileChooser::Kind kind;
    const char* suffix;
    const char* finish_in;  // the widget Return is pressed in to finish
  } cases[] = {
      {FileChooser::Kind::kSaveMemAs, "SaveMemAs", "txt_SaveMemAs"},
      {FileChooser::Kind::kOpenMem, "OpenMem", "fil_OpenMem"},
  };
  const auto entries = [&] {
    return std::distance(fs::directory_iterator(data.Samples() + "/sub"), fs::directory_iterator());
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.suffix);
    model.SetLastFolder("");
    auto w = Make(c.kind);
    auto* dirs = Find<QListWidget>(w.get(), QString("dir_") + c.suffix);
    dirs->setFocus();
    dirs->setCurrentItem(dirs->findItems("sub", Qt::MatchEndsWith).value(0));
    const auto entries_before = entries();
    QTest::keyClick(dirs, Qt::Key_Return);
    EXPECT_EQ(w->Directory(), data.QSamples() + "/sub");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(entries(), entries_before);
    EXPECT_TRUE(model.Memory() == before);

    auto* finish = Find<QWidget>(w.get(), c.finish_in);
    finish->setFocus();
    // The keyboard's cursor on the file, not chosen: Return chooses it.
    if (auto* list = qobject_cast<QListWidget*>(finish)) list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(finish, Qt::Key_Return);
    EXPECT_FALSE(w->isVisible());
  }
  EXPECT_TRUE(fs::exists(data.Samples() + "/sub/Noname.ram"));
  EXPECT_FALSE(model.Memory() == before);
}

// The state windows are file windows too: a typed absolute name is saved
// as typed (not joined to the window's folder), and the next file window
// starts in the folder of the last file used.
TEST_F(FileChooserTest, StateWindowsTakeAnAbsoluteNameAndTheNextWindowStartsThere) {
  const QString elsewhere = QString::fromStdString(data.temp.File("elsewhere"));
  fs::create_directory(elsewhere.toStdString());
  model.State().A = 0x5A;
  auto save = Make(FileChooser::Kind::kSaveState);
  auto* name = Find<QLineEdit>(save.get(), "txt_SaveState");
  name->clear();
  QTest::keyClicks(name, elsewhere + "/m.state");
  EXPECT_EQ(Find<QLineEdit>(save.get(), "txt_SaveState_Fp")->text(), elsewhere + "/m.state");
  QTest::mouseClick(Find<QPushButton>(save.get(), "cmd_SaveState_Save"), Qt::LeftButton);

  model.State().A = 0;
  auto load = Make(FileChooser::Kind::kLoadState);
  EXPECT_EQ(load->Directory(), elsewhere);
  ClickItem(Find<QListWidget>(load.get(), "fil_LoadState"), "m.state");
  QTest::mouseClick(Find<QPushButton>(load.get(), "cmd_LoadState_Ok"), Qt::LeftButton);
  EXPECT_EQ(model.State().A, 0x5A);
}

}  // namespace
}  // namespace scmp
