// The three file windows: open a memory image (frm_OpenMem), save one
// (frm_SaveMemAs) and load an assembler listing (frm_LoadAsm). Each has a
// drive list, a directory list and a file list kept in step, and a path box
// that names the file the operation uses.
#pragma once

#include <QDialog>
#include <QMap>
#include <QString>

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace scmp {

class PanelModel;

class FileChooser : public QDialog {
  Q_OBJECT

 public:
  enum class Kind { kOpenMem, kSaveMemAs, kLoadAsm };

  // Sets itself up at the samples folder (the model's data folder followed
  // by "Samples"), or at the current directory when that does not exist.
  FileChooser(Kind kind, PanelModel& model, QWidget* parent);

  Kind WindowKind() const { return kind_; }
  // True once the user closed the window from its frame; its owner then
  // discards it and makes a fresh one next time.
  bool Discarded() const { return discarded_; }
  // The directory the lists show.
  const QString& Directory() const { return dir_; }
  // Moves the directory and file lists to `dir`, as a double click in the
  // directory list does. False (and nothing moves) when it cannot be read.
  bool ChangeDirectory(const QString& dir);

  // A path made of a directory and a name, with one "/" between them.
  static QString JoinPath(const QString& dir, const QString& name);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildOpenLayout(const QString& suffix);
  void BuildSaveLayout();
  void FillDrives();
  void SelectDriveOf(const QString& dir);
  void DriveChosen(int index);
  void FillDirectories();
  void FillFiles(const QString& keep_selected = QString());
  void FileSelectionChanged();
  void DirectoryActivated(QListWidgetItem* item);
  void Action();

  Kind kind_;
  PanelModel& model_;
  QString pattern_;
  QString dir_;
  QString drive_;
  QMap<QString, QString> last_dir_on_drive_;
  bool discarded_ = false;

  QComboBox* drives_ = nullptr;
  QListWidget* dirs_ = nullptr;
  QListWidget* files_ = nullptr;
  QLineEdit* path_ = nullptr;
  QLineEdit* name_ = nullptr;  // the save window only
};

}  // namespace scmp
