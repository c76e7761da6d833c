#include "ui/file_chooser.h"

#include "ui/load_details.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

#include "trainer/panel_model.h"
#include "ui/panel_layout.h"
#include "ui/theme.h"

namespace scmp {

namespace {

using layout::Tw;

constexpr int kPathRole = Qt::UserRole;

bool Readable(const QString& dir) {
  QDir d(dir);
  return d.exists() && d.isReadable();
}

// The message that a loader or saver failure shows: it always names the
// file, whether the loader's own text does or not.
QString FailureText(const QString& path, const std::string& error) {
  QString text = QString::fromLocal8Bit(error.c_str());
  if (text.isEmpty()) text = "The operation failed.";
  if (!text.contains(path)) text = path + ":\n" + text;
  return text;
}

}  // namespace

QString FileChooser::JoinPath(const QString& dir, const QString& name) {
  if (dir.endsWith('/')) return dir + name;
  return dir + '/' + name;
}

FileChooser::FileChooser(Kind kind, PanelModel& model, QWidget* parent)
    : QDialog(parent), kind_(kind), model_(model) {
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  QFont f = font();
  f.setPointSizeF(8.5);
  setFont(f);

  switch (kind_) {
    case Kind::kOpenMem:
      setObjectName("frm_OpenMem");
      setWindowTitle("Open Memory Image");
      pattern_ = "*.RAM";
      BuildOpenLayout("OpenMem");
      path_->setText("*.ram");
      break;
    case Kind::kLoadAsm:
      setObjectName("frm_LoadAsm");
      setWindowTitle("Load ASM-file");
      pattern_ = "*.ASM";
      BuildOpenLayout("LoadAsm");
      path_->setText("*.asm");
      break;
    case Kind::kAssembleSource:
      setObjectName("frm_AsmSource");
      setWindowTitle("Assemble Source");
      pattern_ = "*.s";
      BuildOpenLayout("AsmSource");
      path_->setText("*.s");
      break;
    case Kind::kLoadHex:
      setObjectName("frm_LoadHex");
      setWindowTitle("Load Intel HEX");
      pattern_ = "*.hex";
      BuildOpenLayout("LoadHex");
      path_->setText("*.hex");
      break;
    case Kind::kSaveMemAs:
      setObjectName("frm_SaveMemAs");
      setWindowTitle("Save Memory Image As");
      pattern_ = "*.RAM";
      BuildSaveLayout();
      name_->setText("Noname.ram");
      break;
  }
  files_->setProperty("pattern", pattern_);

  connect(drives_, &QComboBox::activated, this, [this](int index) { DriveChosen(index); });
  connect(dirs_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { DirectoryActivated(item); });
  connect(files_, &QListWidget::itemSelectionChanged, this, [this] { FileSelectionChanged(); });
  if (name_ != nullptr)  // a typed name goes into the path box, as a chosen file does
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& name) { path_->setText(JoinPath(dir_, name)); });

  // The samples folder, or where the program was started when there is none.
  QString start = QDir::cleanPath(QString::fromLocal8Bit(model_.DataDir().c_str()) + "Samples");
  if (!Readable(start)) start = QDir::currentPath();
  if (const QString last = FolderRecallHook() ? FolderRecallHook()(objectName()) : QString(); !last.isEmpty() && Readable(last))
    start = last;
  FillDrives();
  if (!ChangeDirectory(start)) ChangeDirectory(QDir::rootPath());
}

void FileChooser::BuildOpenLayout(const QString& suffix) {
  const bool asm_window = kind_ == Kind::kLoadAsm;
  setFixedSize(Tw(0, 0, asm_window ? 4620 : 4560, 3615).size());

  auto* frame = new QFrame(this);
  frame->setObjectName("fra_" + suffix);
  frame->setGeometry(Tw(192, 96, 4140, 2796));
  frame->setFrameShape(QFrame::NoFrame);
  frame->setAutoFillBackground(true);
  QPalette grey = frame->palette();
  grey.setColor(QPalette::Window, Colours().chooser_frame);
  frame->setPalette(grey);

  path_ = new QLineEdit(frame);
  path_->setObjectName("Txt_" + suffix);
  path_->setGeometry(asm_window ? Tw(210, 192, 1725, 288) : Tw(210, 210, 1725, 345));
  files_ = new QListWidget(frame);
  files_->setObjectName("fil_" + suffix);
  files_->setGeometry(asm_window ? Tw(192, 480, 1740, 2040) : Tw(192, 645, 1740, 1845));
  drives_ = new QComboBox(frame);
  drives_->setObjectName("drv_" + suffix);
  drives_->setGeometry(Tw(2100, 210, 1932, 315));
  dirs_ = new QListWidget(frame);
  dirs_->setObjectName("dir_" + suffix);
  dirs_->setGeometry(Tw(2112, 660, 1932, 1890));

  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("cmd_" + suffix + "_Cancel");
  cancel->setGeometry(Tw(1824, 3072, 1164, 396));
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("cmd_" + suffix + "_Ok");
  ok->setGeometry(Tw(3168, 3072, 1068, 396));
  ok->setDefault(true);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(ok, &QPushButton::clicked, this, [this] { Action(); });
}

void FileChooser::BuildSaveLayout() {
  setFixedSize(Tw(0, 0, 6270, 3330).size());

  auto* frame = new QFrame(this);
  frame->setObjectName("fra_SaveMemAs");
  frame->setGeometry(Tw(192, 288, 5580, 2220));
  frame->setFrameShape(QFrame::StyledPanel);

  auto* full_path = new QLabel("Full Path:", frame);
  full_path->setGeometry(Tw(90, 90, 1080, 300));
  path_ = new QLineEdit(frame);
  path_->setObjectName("txt_SaveMemAs_Fp");
  path_->setGeometry(Tw(1056, 96, 4428, 288));
  files_ = new QListWidget(frame);
  files_->setObjectName("fil_SaveMemAs");
  files_->setGeometry(Tw(1056, 480, 2316, 1065));
  auto* file_name = new QLabel("Filename:", frame);
  file_name->setGeometry(Tw(96, 1824, 876, 204));
  name_ = new QLineEdit(frame);
  name_->setObjectName("txt_SaveMemAs");
  name_->setGeometry(Tw(1056, 1824, 2316, 300));
  drives_ = new QComboBox(frame);
  drives_->setObjectName("drv_SaveMemAs");
  drives_->setGeometry(Tw(3456, 480, 2028, 315));
  dirs_ = new QListWidget(frame);
  dirs_->setObjectName("dir_SaveMemAs");
  dirs_->setGeometry(Tw(3456, 768, 2028, 1440));

  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("cmd_SaveMemAs_Cancel");
  cancel->setGeometry(Tw(2976, 2688, 1260, 492));
  auto* save = new QPushButton("Save", this);
  save->setObjectName("cmd_SaveMemAs_Save");
  save->setGeometry(Tw(4416, 2688, 1260, 492));
  save->setDefault(true);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(save, &QPushButton::clicked, this, [this] { Action(); });
}

// ---- Drives -----------------------------------------------------------------

void FileChooser::FillDrives() {
  // No drive letters here: the file system root and the mounted volumes.
  QStringList roots = {QDir::rootPath()};
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady()) continue;
    const QString root = volume.rootPath();
    if (!roots.contains(root)) roots.append(root);
  }
  std::sort(roots.begin() + 1, roots.end());
  drives_->clear();
  for (const QString& root : roots) drives_->addItem(root, root);
}

void FileChooser::SelectDriveOf(const QString& dir) {
  // The drive of a directory: the longest volume root it lies under.
  int best = 0;
  qsizetype best_length = -1;
  for (int i = 0; i < drives_->count(); ++i) {
    const QString root = drives_->itemData(i).toString();
    const bool under = dir == root || dir.startsWith(root.endsWith('/') ? root : root + '/');
    if (under && root.size() > best_length) {
      best = i;
      best_length = root.size();
    }
  }
  drives_->setCurrentIndex(best);
  drive_ = drives_->itemData(best).toString();
}

void FileChooser::DriveChosen(int index) {
  const QString root = drives_->itemData(index).toString();
  if (root == drive_) return;
  QString target = last_dir_on_drive_.value(root, root);
  if (!Readable(target)) target = root;
  if (!ChangeDirectory(target)) {
    QMessageBox box(QMessageBox::Warning, windowTitle(), "Drive " + root + " is not ready or cannot be read.",
                    QMessageBox::Ok, this);
    box.exec();
    SelectDriveOf(dir_);
  }
}

// ---- Directories and files --------------------------------------------------

FileChooser::FolderRecall& FileChooser::FolderRecallHook() {
  static FolderRecall recall;
  return recall;
}

FileChooser::FolderKeep& FileChooser::FolderKeepHook() {
  static FolderKeep keep;
  return keep;
}

void FileChooser::SetFolderMemory(FolderRecall recall, FolderKeep keep) {
  FolderRecallHook() = std::move(recall);
  FolderKeepHook() = std::move(keep);
}

bool FileChooser::ChangeDirectory(const QString& dir) {
  const QString clean = QDir::cleanPath(QDir(dir).absolutePath());
  if (!Readable(clean)) return false;
  dir_ = clean;
  SelectDriveOf(dir_);
  last_dir_on_drive_[drive_] = dir_;
  if (FolderKeepHook()) FolderKeepHook()(objectName(), dir_);
  FillDirectories();
  FillFiles();
  if (kind_ == Kind::kSaveMemAs) path_->setText(JoinPath(dir_, name_->text()));
  return true;
}

void FileChooser::FillDirectories() {
  dirs_->clear();
  const QIcon open_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed_icon = style()->standardIcon(QStyle::SP_DirIcon);

  // The chain from the root down to the directory, then its subdirectories,
  // each a step further in.
  QStringList chain;
  for (QDir d(dir_);; ) {
    chain.prepend(d.absolutePath());
    if (d.isRoot() || !d.cdUp()) break;
  }
  int depth = 0;
  QListWidgetItem* current = nullptr;
  for (const QString& path : chain) {
    const QString name = QDir(path).isRoot() ? path : QDir(path).dirName();
    auto* item = new QListWidgetItem(open_icon, QString(depth * 2, ' ') + name, dirs_);
    item->setData(kPathRole, path);
    current = item;
    ++depth;
  }
  const QStringList subdirs =
      QDir(dir_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : subdirs) {
    auto* item = new QListWidgetItem(closed_icon, QString(depth * 2, ' ') + name, dirs_);
    item->setData(kPathRole, JoinPath(dir_, name));
  }
  if (current != nullptr) {
    QFont bold = current->font();
    bold.setBold(true);
    current->setFont(bold);
    dirs_->setCurrentItem(current);
    dirs_->scrollToItem(current);
  }
}

void FileChooser::FillFiles(const QString& keep_selected) {
  const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(pattern_),
                                 QRegularExpression::CaseInsensitiveOption);
  QStringList names;
  for (const QString& name : QDir(dir_).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase))
    if (match.match(name).hasMatch()) names.append(name);

  const QSignalBlocker quiet(files_);
  files_->clear();
  files_->addItems(names);
  files_->setCurrentRow(-1);
  files_->clearSelection();
  if (!keep_selected.isEmpty()) {
    const auto found = files_->findItems(keep_selected, Qt::MatchExactly);
    if (!found.isEmpty()) {
      files_->setCurrentItem(found.first());
      found.first()->setSelected(true);
    }
  }
}

void FileChooser::DirectoryActivated(QListWidgetItem* item) {
  const QString target = item->data(kPathRole).toString();
  if (target == dir_) return;
  if (!ChangeDirectory(target)) {
    QMessageBox box(QMessageBox::Warning, windowTitle(), "The folder " + target + " cannot be read.",
                    QMessageBox::Ok, this);
    box.exec();
    FillDirectories();
  }
}

void FileChooser::FileSelectionChanged() {
  const QList<QListWidgetItem*> selected = files_->selectedItems();
  if (selected.isEmpty()) return;
  const QString name = selected.first()->text();
  if (kind_ == Kind::kSaveMemAs) name_->setText(name);
  path_->setText(JoinPath(dir_, name));
}

// ---- Buttons and the frame ----------------------------------------------------

// The path box's text as a path: a relative name is taken in the window's
// folder, not in the program's working directory.
QString FileChooser::TypedPath() const {
  const QString typed = path_->text();
  return QDir::isAbsolutePath(typed) ? typed : JoinPath(dir_, typed);
}

bool FileChooser::ConfirmReplace(const QString& path) {
  QMessageBox box(QMessageBox::Question, windowTitle(), path + " already exists.\nDo you want to replace it?",
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setObjectName("msg_Replace");
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void FileChooser::Action() {
  const QString path = TypedPath();
  const std::string native = QFile::encodeName(path).toStdString();
  std::string error;
  bool ok = true;
  last_report_.clear();
  if (kind_ == Kind::kSaveMemAs) {
    if (QFileInfo(path).exists() && !ConfirmReplace(path)) return;
    ok = model_.SaveMemoryImage(native, &error);
  } else {
    // Without a chosen file, a path box that names an existing file will do.
    if (files_->selectedItems().isEmpty() && !QFileInfo(path).isFile()) {
      QMessageBox box(QMessageBox::NoIcon, "Error While opening File", "        No File was selected!",
                      QMessageBox::Ok, this);
      box.setObjectName("msg_NoFile");
      box.exec();
      return;
    }
    if (kind_ == Kind::kOpenMem || kind_ == Kind::kLoadAsm) {
      const FileLoad load =
          model_.LoadFile(native, kind_ == Kind::kOpenMem ? FileKind::kMemoryImage : FileKind::kListing);
      ok = load.loaded;
      error = load.error;
      if (ok && kind_ == Kind::kLoadAsm) last_report_ = QString::fromLocal8Bit(load.Summary().c_str());
      ShowLoadDetails(parentWidget(), load);
    }
  }
  if (!ok) {
    // The window stays up, so that another file can be chosen.
    QMessageBox box(QMessageBox::Warning, windowTitle(), FailureText(path, error), QMessageBox::Ok, this);
    box.setObjectName("msg_FileError");
    box.exec();
    return;
  }
  chosen_ = native;
  accept();
}

void FileChooser::showEvent(QShowEvent* event) {
  // Files may have come or gone since the last showing; the selection stays.
  if (!dir_.isEmpty() && Readable(dir_)) {
    const QList<QListWidgetItem*> selected = files_->selectedItems();
    FillFiles(selected.isEmpty() ? QString() : selected.first()->text());
  }
  QDialog::showEvent(event);
}

void FileChooser::closeEvent(QCloseEvent* event) {
  discarded_ = true;
  QDialog::closeEvent(event);
}

}  // namespace scmp
