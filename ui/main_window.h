// The main window, frm_SCMPBRD: the trainer board with its switches, lamps,
// buttons, status strip and register display, and the menu bar. It keeps no
// state of its own: it draws the panel model and hands every click to it.
#pragma once

#include <QMainWindow>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPointer>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "trainer/panel_model.h"

class QLabel;
class QPushButton;
class QMenu;
class QMenuBar;

namespace scmp {

class FileChooser;
class PanelAnnouncer;
class LampShape;
class RunModeWords;
class RememberedSettings;
class SettingsWindow;
class MonitorWindow;
class TestResultsWindow;
class EditorWindow;
class DebugActions;
class Menus;

class PanelWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit PanelWindow(PanelModel& model, QWidget* parent = nullptr);
  ~PanelWindow() override;

  // Brings every lamp and label in line with the model. Cheap when nothing
  // changed: lamps and labels are only read again when the model's change
  // count moved; lbl_cycles is read every time.
  void Refresh();

  // What happens once Exit or a close from the frame has closed the trace
  // log. The default quits the application's event loop.
  void SetExitAction(std::function<void()> action) { exit_action_ = std::move(action); }

  // True while a run loop has handed control to the window, with every
  // control but the switches, HLT and SST disabled.
  bool LoopControlsLocked() const { return loop_controls_locked_; }

  // Loads `path` as the Files menu entry for its extension would (any case:
  // .s assembled, .ASM, .RAM, .hex), for files named on the command line or
  // dropped on the window. A failure is shown in a message box, a source's
  // errors in the diagnostics window; false then.
  bool LoadFile(const std::string& path);

  // The secondary windows; null before their first use and after a close
  // from their frame.
  FileChooser* OpenMemWindow() const;
  FileChooser* SaveMemWindow() const;
  FileChooser* LoadAsmWindow() const;
  FileChooser* AssembleSourceWindow() const;
  FileChooser* LoadHexWindow() const;
  SettingsWindow* SettingsWin() const;
  MonitorWindow* Monitor() const;
  TestResultsWindow* TestResults() const;

  // Files > Open Recent, from and into `remembered`, which outlives the
  // window; every file loaded from then on is added.
  void UseRecentFiles(RememberedSettings* remembered);
  // Opens again the windows named (as at the last exit): a window
  // "frm_X" is opened by triggering the menu entry "mnu_X".
  void ReopenWindows(const QStringList& names);
  EditorWindow* Editor() const;
  // View > Editor: made on first use, shown and raised.
  EditorWindow* ShowEditor();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct BoardLamp {
    Lamp lamp;
    int index;
    LampShape* shape;
    QPushButton* button;  // the switch the lamp belongs to, if any
  };

  void BuildBoard();
  void BuildLeftColumn(QWidget* board);
  void BuildSwitchRows(QWidget* board);
  void BuildLeds(QWidget* board);
  void BuildStrip(QWidget* board);
  void BuildStatusLabels(QWidget* strip);
  void BuildRateLabel(QWidget* strip);
  void BuildCyclesRemaining(QWidget* strip);
  void BuildRegisterDisplay(QWidget* strip);
  void BuildMenus();
  void BindKeys();
  void ClickThrough(BoardLamp& lamp, QPushButton* button);
  void ShowBrightness();
  QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, const QRect& where,
                          const QString& style, bool idle_only = true);
  void AddLamp(QWidget* parent, Lamp lamp, int index, const QString& name, const QRect& on_rect,
               const QRect& off_rect, int form, QColor on_fill, QColor off_fill);

  // A panel operation that may run the stepping loop.
  void RunOperation(void (PanelModel::*operation)());
  void RunOperation(const std::function<void()>& operation);
  // After a press that may have run the loop: the controls, a redraw, and
  // an exit asked for during the run.
  void AfterOperation();
  // A panel operation that never runs a loop.
  void Operation(const std::function<void()>& operation);

  // Run loop hooks.
  void Pump();
  void Wait(double seconds);
  void LockForLoop();
  void UnlockAfterLoop();

  void ShowOpenMem();
  void ShowSaveMem();
  void ShowLoadAsm();
  void ShowSettings();
  void ShowAssembleSource();
  void Reassemble();
  void ShowLoadHex();
  bool AssembleSource(const std::string& path);
  bool ShowSourceResult(bool loaded, const SourceLoad& result);
  bool ShowLoadResult(bool loaded, const std::string& path, const std::string& error, const std::string& report);
  void ShowMonitor();
  void ShowTestResults();
  void EditCommand(const QString& command);
  void OpenSourceFromDialog();
  int CursorAddress(QString* why) const;
  void SaveStateAs();
  void LoadStateFrom();
  void FinishExit();
  void ShowNotices();

  // Accessibility, themes and zoom (main_window_access.cpp).
  void AddLookEntries(QMenu* view);
  void AddGuideEntry(QMenu* help);
  void FollowThemeAndZoom();
  void Restyle();
  void ZoomPanel(double factor);
  void RecolourLamps();
  void AnnounceStop(uint64_t steps_before);
  void ShowLampsInWords();
  static int CyclesMargin();
  void RememberFile(const std::string& path);

  PanelModel& model_;
  std::vector<BoardLamp> lamps_;
  std::array<QLabel*, static_cast<int>(Label::kCount)> labels_{};
  std::vector<QPushButton*> idle_only_;

  bool drawn_ = false;
  uint64_t drawn_changes_ = 0;
  QElapsedTimer since_refresh_;
  bool loop_controls_locked_ = false;
  std::chrono::steady_clock::time_point wait_until_{};

  bool exit_pending_ = false;
  bool exited_ = false;
  std::function<void()> exit_action_;

  QPointer<FileChooser> open_mem_;
  QPointer<FileChooser> save_mem_;
  QPointer<FileChooser> load_asm_;
  QPointer<FileChooser> assemble_source_;
  QPointer<FileChooser> load_hex_;
  QPointer<SettingsWindow> settings_;
  QPointer<MonitorWindow> monitor_;

  RunModeWords* run_words_ = nullptr;
  QLabel* lamps_text_ = nullptr;
  PanelAnnouncer* announcer_ = nullptr;
  RememberedSettings* remembered_ = nullptr;
  QPointer<TestResultsWindow> test_results_;
  QPointer<EditorWindow> editor_;
  DebugActions* debug_ = nullptr;
  Menus* menus_ = nullptr;
};

}  // namespace scmp
