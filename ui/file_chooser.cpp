#include "ui/file_chooser.h"

#include "ui/load_details.h"

#include <QApplication>
#include <QCloseEvent>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "trainer/panel_model.h"
#include "ui/panel_layout.h"
#include "ui/theme.h"

namespace scmp {

namespace {

constexpr int kPathRole = Qt::UserRole;

// The size each kind of window had when it was last closed, so that a
// window the user widened for long names opens as wide the next time.
QHash<int, QSize>& RememberedSizes() {
  static QHash<int, QSize> sizes;
  return sizes;
}

// A list wide enough for its longest entry (icon and scroll bar included),
// between about 16 and 64 characters.
int ListWidthFor(const QListWidget* list) {
  const QFontMetrics metrics(list->font());
  int widest = 0;
  for (int i = 0; i < list->count(); ++i) {
    const QListWidgetItem* item = list->item(i);
    const int icon = item->icon().isNull() ? 0 : list->iconSize().width() + 8;
    widest = std::max(widest, metrics.horizontalAdvance(item->text()) + icon);
  }
  const int chrome = 2 * list->frameWidth() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 12;
  return std::clamp(widest + chrome, 16 * metrics.averageCharWidth(), 64 * metrics.averageCharWidth());
}

// A label whose access key moves the focus to `buddy`.
QLabel* LabelFor(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

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

QString FileChooser::PathInFolder(const QString& dir, const QString& typed) {
  return QDir::isAbsolutePath(typed) ? typed : JoinPath(dir, typed);
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
      BuildSaveLayout("SaveMemAs");
      name_->setText("Noname.ram");
      break;
    case Kind::kLoadState:
      setObjectName("frm_LoadState");
      setWindowTitle("Load State");
      pattern_ = "*.state";
      BuildOpenLayout("LoadState");
      path_->setText("*.state");
      break;
    case Kind::kOpenSource:
      setObjectName("frm_OpenSource");
      setWindowTitle("Open Source");
      pattern_ = "*.s";
      BuildOpenLayout("OpenSource");
      path_->setText("*.s");
      break;
    case Kind::kRunTests:
      setObjectName("frm_RunTests");
      setWindowTitle("Run Tests");
      pattern_ = "*.test";
      BuildOpenLayout("RunTests");
      path_->setText("*.test");
      break;
    case Kind::kSaveSource:
      setObjectName("frm_SaveSource");
      setWindowTitle("Save Source As");
      pattern_ = "*.s";
      BuildSaveLayout("SaveSource");
      name_->setText("untitled.s");
      break;
    case Kind::kSaveState:
      setObjectName("frm_SaveState");
      setWindowTitle("Save State");
      pattern_ = "*.state";
      BuildSaveLayout("SaveState");
      name_->setText("Noname.state");
      break;
  }
  setAccessibleName(windowTitle());
  files_->setProperty("pattern", pattern_);
  dirs_->installEventFilter(this);
  files_->installEventFilter(this);

  connect(drives_, &QComboBox::activated, this, [this](int index) { DriveChosen(index); });
  connect(dirs_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { DirectoryActivated(item); });
  connect(files_, &QListWidget::itemSelectionChanged, this, [this] { FileSelectionChanged(); });
  if (name_ != nullptr)  // a typed name goes into the path box, as a chosen file does
    connect(name_, &QLineEdit::textEdited, this,
            [this](const QString& name) { path_->setText(PathInFolder(dir_, name)); });

  // The folder of the last file used in any file window since start-up,
  // else where this window was left at the last exit, else the samples
  // folder, else where the program was started.
  QString start = QString::fromLocal8Bit(model_.LastFolder().c_str());
  if (start.isEmpty() || !Readable(start))
    start = FolderRecallHook() ? FolderRecallHook()(objectName()) : QString();
  if (start.isEmpty() || !Readable(start))
    start = QDir::cleanPath(QString::fromLocal8Bit(model_.DataDir().c_str()) + "Samples");
  if (!Readable(start)) start = QDir::currentPath();
  FillDrives();
  if (!ChangeDirectory(start)) ChangeDirectory(QDir::rootPath());
  const QSize remembered = RememberedSizes().value(static_cast<int>(kind_));
  if (remembered.isValid())
    resize(remembered.expandedTo(minimumSizeHint()));
  else
    adjustSize();
}

void FileChooser::MakeListsAndBoxes(QWidget* frame, const QString& suffix, const QString& path_object) {
  path_ = new QLineEdit(frame);
  path_->setObjectName(path_object);
  path_->setAccessibleName("Path");
  files_ = new QListWidget(frame);
  files_->setObjectName("fil_" + suffix);
  files_->setAccessibleName("Files");
  drives_ = new QComboBox(frame);
  drives_->setObjectName("drv_" + suffix);
  drives_->setAccessibleName("Drive");
  drives_->view()->setAccessibleName("Drives");
  dirs_ = new QListWidget(frame);
  dirs_->setObjectName("dir_" + suffix);
  dirs_->setAccessibleName("Folders");
}

// Cancel and the button that loads or saves, at the bottom right.
QHBoxLayout* FileChooser::MakeButtons(const QString& suffix, const QString& action_object, const QString& action_text) {
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("cmd_" + suffix + "_Cancel");
  cancel->setAccessibleName("Cancel");
  auto* action = new QPushButton(action_text, this);
  action->setObjectName(action_object);
  action->setAccessibleName(action_text);
  action->setDefault(true);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(action, &QPushButton::clicked, this, [this] { Action(); });
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(cancel);
  row->addWidget(action);
  return row;
}

// Path box over the file list on the left, drives over folders on the
// right, on a grey ground; the lists grow with the window.
void FileChooser::BuildOpenLayout(const QString& suffix) {
  auto* frame = new QFrame(this);
  frame->setObjectName("fra_" + suffix);
  frame->setFrameShape(QFrame::NoFrame);
  frame->setAutoFillBackground(true);
  QPalette grey = frame->palette();
  grey.setColor(QPalette::Window, Colours().chooser_frame);
  frame->setPalette(grey);
  MakeListsAndBoxes(frame, suffix, "Txt_" + suffix);

  auto* grid = new QGridLayout(frame);
  grid->addWidget(LabelFor("&Path:", path_, frame), 0, 0);
  grid->addWidget(LabelFor("&Drive:", drives_, frame), 0, 1);
  grid->addWidget(path_, 1, 0);
  grid->addWidget(drives_, 1, 1);
  grid->addWidget(LabelFor("&Files:", files_, frame), 2, 0);
  grid->addWidget(LabelFor("F&olders:", dirs_, frame), 2, 1);
  grid->addWidget(files_, 3, 0);
  grid->addWidget(dirs_, 3, 1);
  grid->setRowStretch(3, 1);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(frame, 1);
  outer->addLayout(MakeButtons(suffix, "cmd_" + suffix + "_Ok", "OK"));
}

// The full path across the top, the file list with the name box under it on
// the left, drives over folders on the right.
void FileChooser::BuildSaveLayout(const QString& suffix) {
  auto* frame = new QFrame(this);
  frame->setObjectName("fra_" + suffix);
  frame->setFrameShape(QFrame::StyledPanel);
  MakeListsAndBoxes(frame, suffix, "txt_" + suffix + "_Fp");
  name_ = new QLineEdit(frame);
  name_->setObjectName("txt_" + suffix);
  name_->setAccessibleName("File name");

  auto* grid = new QGridLayout(frame);
  grid->addWidget(LabelFor("Full &Path:", path_, frame), 0, 0, 1, 2);
  grid->addWidget(path_, 1, 0, 1, 2);
  grid->addWidget(LabelFor("&Files:", files_, frame), 2, 0);
  grid->addWidget(LabelFor("&Drive:", drives_, frame), 2, 1);
  grid->addWidget(files_, 3, 0, 3, 1);
  grid->addWidget(drives_, 3, 1);
  grid->addWidget(LabelFor("F&olders:", dirs_, frame), 4, 1);
  grid->addWidget(dirs_, 5, 1);
  grid->addWidget(LabelFor("File&name:", name_, frame), 6, 0);
  grid->addWidget(name_, 7, 0);
  grid->setRowStretch(5, 1);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(frame, 1);
  outer->addLayout(MakeButtons(suffix, "cmd_" + suffix + "_Save", "Save"));
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
  if (name_ != nullptr) path_->setText(PathInFolder(dir_, name_->text()));
  return true;
}

void FileChooser::Propose(const QString& path) {
  const QFileInfo file(path);
  if (name_ == nullptr || !ChangeDirectory(file.absolutePath())) return;
  name_->setText(file.fileName());
  path_->setText(PathInFolder(dir_, file.fileName()));
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
  dirs_->setMinimumWidth(ListWidthFor(dirs_));
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
  files_->setMinimumWidth(ListWidthFor(files_));
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
  if (name_ != nullptr) name_->setText(name);
  path_->setText(JoinPath(dir_, name));
}

// ---- Buttons and the frame ----------------------------------------------------

// The path box's text as a path: a relative name is taken in the window's
// folder, not in the program's working directory.
QString FileChooser::TypedPath() const { return PathInFolder(dir_, path_->text()); }

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
  if (name_ != nullptr) {
    if (QFileInfo(path).exists() && !ConfirmReplace(path)) return;
    // A source is written by the editor that holds it, once the name is chosen.
    if (kind_ == Kind::kSaveState)
      ok = model_.SaveState(native, &error);
    else if (kind_ == Kind::kSaveMemAs)
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
    if (kind_ == Kind::kOpenMem || kind_ == Kind::kLoadAsm || kind_ == Kind::kLoadState) {
      const FileKind kind = kind_ == Kind::kOpenMem   ? FileKind::kMemoryImage
                            : kind_ == Kind::kLoadAsm ? FileKind::kListing
                                                      : FileKind::kSavedState;
      const FileLoad load = model_.LoadFile(native, kind);
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
  model_.SetLastFolder(QFile::encodeName(QFileInfo(path).absolutePath()).toStdString());
  accept();
}

// Return in the folder list enters the folder, as a double click does; it
// must not reach the default button, which would load or save at once.
// Return in the file list chooses the file under the keyboard's cursor
// (focus alone marks it without choosing it), then goes on to the button.
bool FileChooser::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return QDialog::eventFilter(watched, event);
  if (watched == dirs_) {
    if (QListWidgetItem* item = dirs_->currentItem()) DirectoryActivated(item);
    return true;
  }
  if (watched == files_ && files_->selectedItems().isEmpty() && files_->currentItem() != nullptr)
    files_->currentItem()->setSelected(true);
  return QDialog::eventFilter(watched, event);
}

// Remembers the size, and hands the keyboard back to the panel, also where
// no window manager would (a kiosk, a test display).
void FileChooser::hideEvent(QHideEvent* event) {
  RememberedSizes().insert(static_cast<int>(kind_), size());
  if (parentWidget() != nullptr) parentWidget()->activateWindow();
  QDialog::hideEvent(event);
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
