// The file windows: open a memory image (frm_OpenMem), save one
// (frm_SaveMemAs), load an assembler listing (frm_LoadAsm), choose a source
// to assemble (frm_AsmSource) or an Intel HEX file (frm_LoadHex), and save
// or load the whole machine (frm_SaveState, frm_LoadState). Each has a
// drive list, a directory list and a file list kept in step, and a path box
// that names the file the operation uses. They size themselves to the
// names they list and open at the size they had when last closed.
#pragma once

#include <QDialog>
#include <functional>
#include <QMap>
#include <QString>
#include <string>

class QComboBox;
class QHBoxLayout;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace scmp {

class PanelModel;

class FileChooser : public QDialog {
  Q_OBJECT

 public:
  // All but kAssembleSource and kLoadHex load or save themselves; those two
  // only choose the file, and their owner loads it (ChosenPath) once the
  // window is accepted.
  enum class Kind {
    kOpenMem, kSaveMemAs, kLoadAsm, kAssembleSource, kLoadHex, kSaveState, kLoadState,
    kOpenSource, kSaveSource, kRunTests  // the editor's Open and Save As, and Files > Run Tests
  };

  // Sets itself up in the folder of the last file used (the model keeps
  // it), else the samples folder (the model's data folder followed by
  // "Samples"), else the current directory.
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
  // Save windows: starts in the folder of `path` with its name proposed.
  void Propose(const QString& path);

  // What the last listing load stored ("ECHO.ASM: 12 bytes, 001-00C");
  // empty after any other operation.
  const QString& LastReport() const { return last_report_; }
  // The file of the last OK, as the file system names it.
  const std::string& ChosenPath() const { return chosen_; }

  // A path made of a directory and a name, with one "/" between them.
  static QString JoinPath(const QString& dir, const QString& name);
  // What the user typed as a path: an absolute path stands as typed, a
  // relative one is taken in `dir`.
  static QString PathInFolder(const QString& dir, const QString& typed);

  // Where each file window, by object name, was last, so that it starts
  // there next time: `recall` gives the folder (empty when none), `keep`
  // is told every move. Empty functions (the default) keep nothing.
  using FolderRecall = std::function<QString(const QString& window)>;
  using FolderKeep = std::function<void(const QString& window, const QString& folder)>;
  static void SetFolderMemory(FolderRecall recall, FolderKeep keep);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static FolderRecall& FolderRecallHook();
  static FolderKeep& FolderKeepHook();
  void MakeListsAndBoxes(QWidget* frame, const QString& suffix, const QString& path_object);
  QHBoxLayout* MakeButtons(const QString& suffix, const QString& action_object, const QString& action_text);
  void BuildOpenLayout(const QString& suffix);
  void BuildSaveLayout(const QString& suffix);
  void FillDrives();
  void SelectDriveOf(const QString& dir);
  void DriveChosen(int index);
  void FillDirectories();
  void FillFiles(const QString& keep_selected = QString());
  void FileSelectionChanged();
  void DirectoryActivated(QListWidgetItem* item);
  QString TypedPath() const;
  bool ConfirmReplace(const QString& path);
  void Action();

  Kind kind_;
  PanelModel& model_;
  QString pattern_;
  QString dir_;
  QString drive_;
  QMap<QString, QString> last_dir_on_drive_;
  bool discarded_ = false;
  QString last_report_;
  std::string chosen_;

  QComboBox* drives_ = nullptr;
  QListWidget* dirs_ = nullptr;
  QListWidget* files_ = nullptr;
  QLineEdit* path_ = nullptr;
  QLineEdit* name_ = nullptr;  // the save windows only
};

}  // namespace scmp
