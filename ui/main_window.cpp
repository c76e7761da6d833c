#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <filesystem>
#include <QShortcut>
#include <thread>

#include "core/hex.h"
#include "files/file_kind.h"
#include "trainer/run_control.h"
#include "ui/accessibility.h"
#include "ui/debug_actions.h"
#include "ui/editor_window.h"
#include "ui/diagnostics_dialog.h"
#include "ui/file_chooser.h"
#include "ui/load_details.h"
#include "ui/fonts.h"
#include "ui/board_art.h"
#include "ui/label_names.h"
#include "ui/lamp.h"
#include "ui/menus.h"
#include "ui/keyboard_stays.h"
#include "ui/panel_keys.h"
#include "ui/monitor_window.h"
#include "ui/test_results_window.h"
#include "ui/panel_layout.h"
#include "ui/panel_scaler.h"
#include "ui/panel_style.h"
#include "ui/settings_window.h"
#include "ui/theme.h"

namespace scmp {

namespace {

using layout::Px;
using layout::Tw;

// A run loop redraws the panel at least this often (in ms); with the pump
// called every 10 ms or sooner, that is at least 33 times a second.
constexpr int kRefreshMs = 20;
// Owed waiting below this is carried over to the next wait instead of
// sleeping for it now, so that short DLY waits cost no system call each.
constexpr auto kMinSleep = std::chrono::milliseconds(2);
// Longest single sleep inside a wait, so that input is taken in between.
constexpr auto kWaitSlice = std::chrono::milliseconds(5);

const QString kTitle = "SC/MP Trainer";

// The board behind everything: a picture rendered once for each size.
class BoardWidget : public QWidget {
 public:
  explicit BoardWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    const qreal dpr = devicePixelRatioF();
    if (picture_.isNull() || picture_.devicePixelRatio() != dpr || picture_.deviceIndependentSize() != size()) {
      const QSize base(Px(layout::kClientWidth), Px(layout::kClientHeight));
      picture_ = RenderBoard(base, static_cast<double>(width()) / base.width(), dpr);
    }
    QPainter p(this);
    p.drawPixmap(event->rect(), picture_, QRectF(QPointF(event->rect().topLeft()) * dpr, QSizeF(event->rect().size()) * dpr));
  }

 private:
  QPixmap picture_;
};

// A label whose words are painted at given columns rather than spaced by
// its blanks, so that they line up with the fields under them.
class ColumnHeading : public QLabel {
 public:
  ColumnHeading(const QString& text, std::vector<int> columns, QWidget* parent)
      : QLabel(text, parent), columns_(std::move(columns)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setFont(font());
    p.setPen(Colours().display_heading);
    const QStringList words = text().split(' ', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < words.size() && i < static_cast<qsizetype>(columns_.size()); ++i) {
      const int column = PanelScaler::Scaled(this, columns_[i]);
      p.drawText(QRect(column, 0, width() - column, height()), Qt::AlignLeft | Qt::AlignVCenter, words[i]);
    }
  }

 private:
  std::vector<int> columns_;
};

// Key caps: a gradient cap in the given colour, pressed look, dimmed when
// disabled.
QString KeyStyle(const QString& top, const QString& bottom, const QString& text, double points) {
  return QString(
             "QPushButton { color: %3; border: 1px solid #101010; border-radius: 4px; padding: 0px;"
             " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2);"
             " font-family: 'DejaVu Sans'; font-weight: bold; font-size: %4pt; }"
             "QPushButton:pressed { background: %2; padding-top: 2px; }" +
             FocusRingStyle(Colours()) +
             "QPushButton:disabled { color: #4a4a4a; border-color: #3a3a3a;"
             " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #b4b4b0, stop:1 #86867f); }")
      .arg(top, bottom, text)
      .arg(points);
}

QString SmallKeyStyle() { return KeyStyle("#f4f4f0", "#b9b9b2", "#1a1a1a", 7); }
QString DarkKeyStyle() { return KeyStyle("#5a606b", "#2b2f36", "#f2f2f2", 8); }

constexpr int kRoundLamp = static_cast<int>(LampShape::Form::kRound);
constexpr int kSquareLamp = static_cast<int>(LampShape::Form::kSquare);

QString LabelQText(const std::string& text) {
  QString q = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  q.replace(QChar(u'\0'), QChar(u' '));
  return q;
}

}  // namespace

PanelWindow::PanelWindow(PanelModel& model, QWidget* parent) : QMainWindow(parent), model_(model) {
  setObjectName("frm_SCMPBRD");
  setWindowTitle(kTitle);
  setAcceptDrops(true);
  exit_action_ = [] { QCoreApplication::quit(); };
  announcer_ = new PanelAnnouncer(this, [this] { return model_.Running(); });

  BuildBoard();
  BuildMenus();
  BindKeys();
  MakePanelKeyboardReachable(this);
  FollowThemeAndZoom();

  model_.SetPumpHook([this] { Pump(); });
  model_.SetWaitHook([this](double seconds) { Wait(seconds); });

  Refresh();
}

PanelWindow::~PanelWindow() {
  model_.SetPumpHook([] {});
  model_.SetWaitHook([](double seconds) {
    if (seconds > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  });
}

// ---- Building ---------------------------------------------------------------

QPushButton* PanelWindow::MakeButton(QWidget* parent, const QString& name, const QString& caption,
                                     const QRect& where, const QString& style, bool idle_only) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAccessibleName(PanelButtonName(name, caption));
  b->setGeometry(where);
  b->setStyleSheet(style);
  b->setFocusPolicy(Qt::NoFocus);
  b->setCursor(Qt::PointingHandCursor);
  if (idle_only) idle_only_.push_back(b);
  return b;
}

void PanelWindow::AddLamp(QWidget* parent, Lamp lamp, int index, const QString& name, const QRect& on_rect,
                          const QRect& off_rect, int form, QColor on_fill, QColor off_fill) {
  auto* shape = new LampShape(static_cast<LampShape::Form>(form), lamp, index, on_fill, off_fill, parent);
  shape->setObjectName(name);
  shape->SetPlaces(on_rect, off_rect);
  lamps_.push_back({lamp, index, shape, nullptr});
}

// A click on a switch's lamp works the switch, as its button does.
void PanelWindow::ClickThrough(BoardLamp& lamp, QPushButton* button) {
  lamp.button = button;
  lamp.shape->MakeClickable();
  connect(lamp.shape, &LampShape::clicked, button, &QPushButton::click);
}

// Each control's key clicks its button, so that a key does nothing while its
// button is disabled (during a run, all but the switches, HLT and SST).
void PanelWindow::BindKeys() {
  for (const PanelKey& key : PanelKeys()) {
    auto* button = findChild<QPushButton*>(key.button);
    if (button == nullptr) continue;
    button->setToolTip(KeyTooltip(key));
    for (const QKeySequence& sequence : key.keys) {
      auto* shortcut = new QShortcut(sequence, this);
      connect(shortcut, &QShortcut::activated, button, &QPushButton::click);
    }
  }
  new PanelKeysElsewhere(this);
  new KeyboardStaysPut(this);
}

void PanelWindow::BuildBoard() {
  auto* board = new BoardWidget(this);
  board->setObjectName("pic_Board");
  board->resize(Px(layout::kClientWidth), Px(layout::kClientHeight));
  auto* frame = new ScaledPanelFrame(board, this);
  frame->setObjectName("frm_Panel");
  setCentralWidget(frame);

  BuildLeftColumn(board);
  BuildSwitchRows(board);
  BuildLeds(board);
  BuildStrip(board);
  frame->FinishBuilding();
}

void PanelWindow::BuildLeftColumn(QWidget* board) {
  const QString small_key = SmallKeyStyle();
  const QString dark_key = DarkKeyStyle();
  MakeButton(board, "cmd_Reset", "RST", layout::ResetButton(), KeyStyle("#e0483e", "#8e1c15", "#ffffff", 8));
  auto* halt = MakeButton(board, "cmd_Halt", "HLT", layout::HaltButton(),
                          KeyStyle("#f3a64a", "#b0600f", "#1a1a1a", 8), false);
  MakeButton(board, "cmd_Run", "Run / Prgm", layout::RunButton(), KeyStyle("#4a83d6", "#1c417c", "#ffffff", 7));
  auto* sst = MakeButton(board, "cmd_SST", "SST", layout::SstButton(), dark_key, false);
  MakeButton(board, "cmd_Latch", "Latch", layout::LatchButton(), dark_key);
  MakeButton(board, "cmd_A_Plus", "+", layout::PlusButton(), small_key);
  MakeButton(board, "cmd_A_min", "-", layout::MinusButton(), small_key);

  connect(halt, &QPushButton::clicked, this, [this] { Operation([this] { model_.Halt(); }); });
  connect(sst, &QPushButton::clicked, this, [this] { Operation([this] { model_.ToggleSingleStep(); }); });
  connect(findChild<QPushButton*>("cmd_Reset"), &QPushButton::clicked, this,
          [this] { Operation([this] { model_.Reset(); }); });
  connect(findChild<QPushButton*>("cmd_Run"), &QPushButton::clicked, this,
          [this] { RunOperation(&PanelModel::RunOrProgram); });
  connect(findChild<QPushButton*>("cmd_Latch"), &QPushButton::clicked, this,
          [this] { Operation([this] { model_.Latch(); }); });
  connect(findChild<QPushButton*>("cmd_A_Plus"), &QPushButton::clicked, this,
          [this] { Operation([this] { model_.StepAddress(+1); }); });
  connect(findChild<QPushButton*>("cmd_A_min"), &QPushButton::clicked, this,
          [this] { Operation([this] { model_.StepAddress(-1); }); });

  AddLamp(board, Lamp::kHaltLed, 0, "Halt_Led", layout::HaltLedOn(), layout::HaltLedOff(), kRoundLamp,
          Colours().led_on, Colours().led_off);
  AddLamp(board, Lamp::kRunLed, 0, "Run_Led", layout::RunLed(), layout::RunLed(), kRoundLamp, Colours().led_on,
          Colours().run_green);
  AddLamp(board, Lamp::kSingleStepLed, 0, "Led_SStep", layout::SstLed(), layout::SstLed(), kRoundLamp,
          Colours().led_on, Colours().led_off);
  run_words_ = new RunModeWords(board);
  run_words_->setObjectName("lbl_RunMode");
  run_words_->setGeometry(layout::RunLed().adjusted(-12, -12, 14, 12));
}

void PanelWindow::BuildSwitchRows(QWidget* board) {
  const QString small_key = SmallKeyStyle();
  for (int i = 0; i < 12; ++i) {
    auto* b = MakeButton(board, QString("cmd_A_Sw_%1").arg(i), QString::fromStdString(Hex(static_cast<unsigned>(i))),
                         layout::AddressSwitchButton(i), small_key, false);
    connect(b, &QPushButton::clicked, this, [this, i] { Operation([this, i] { model_.ToggleAddressSwitch(i); }); });
    AddLamp(board, Lamp::kAddressSwitch, i, QString("A_Switch_%1").arg(i), layout::AddressSwitchLamp(i),
            layout::AddressSwitchLamp(i), kSquareLamp, Colours().switch_on, Colours().switch_off);
    ClickThrough(lamps_.back(), b);
  }
  for (int i = 0; i < 8; ++i) {
    auto* b = MakeButton(board, QString("cmd_D_sw_%1").arg(i), QString::number(i), layout::DataSwitchButton(i),
                         small_key, false);
    connect(b, &QPushButton::clicked, this, [this, i] { Operation([this, i] { model_.ToggleDataSwitch(i); }); });
    AddLamp(board, Lamp::kDataSwitch, i, QString("D_Switch_%1").arg(i), layout::DataSwitchLamp(i),
            layout::DataSwitchLamp(i), kSquareLamp, Colours().switch_on, Colours().switch_off);
    ClickThrough(lamps_.back(), b);
  }
}

void PanelWindow::BuildLeds(QWidget* board) {
  for (int i = 0; i < 8; ++i)
    AddLamp(board, Lamp::kLed, i, QString("Led_%1").arg(i), layout::Led(i), layout::Led(i), kRoundLamp,
            Colours().led_on, Colours().led_off);
  for (int i = 0; i < 3; ++i)
    AddLamp(board, Lamp::kFlagLed, i, QString("F_Led_%1").arg(i), layout::FlagLed(i), layout::FlagLed(i), kRoundLamp,
            Colours().flag_on, Colours().flag_off);
}

void PanelWindow::BuildStrip(QWidget* board) {
  auto* strip = new QWidget(board);
  strip->setObjectName("frm_Debug");
  strip->setGeometry(layout::DebugStrip());
  strip->setAttribute(Qt::WA_StyledBackground);
  strip->setStyleSheet(StripStyle(Colours()));

  BuildStatusLabels(strip);

  auto* step = MakeButton(strip, "cmd_Single_Step", "Step/Start", layout::StepStartButton(),
                          KeyStyle("#47a34c", "#1f5c23", "#ffffff", 9));
  connect(step, &QPushButton::clicked, this, [this] { RunOperation(&PanelModel::StepOrStart); });

  BuildRateLabel(strip);
  BuildCyclesRemaining(strip);
  BuildRegisterDisplay(strip);
}

void PanelWindow::BuildStatusLabels(QWidget* strip) {
  const QFont status_font = SansFont(8);
  const std::array<Label, 4> status = {Label::kDelay, Label::kTrace, Label::kPause, Label::kSpeed};
  for (int row = 0; row < 4; ++row) {
    auto* l = new QLabel(strip);
    l->setObjectName(LabelObjectName(status[row]));
    MakeLiveLabel(l, LabelMeaning(status[row]));
    announcer_->WatchLabel(l);
    l->setGeometry(layout::StatusLabel(row));
    l->setFont(status_font);
    labels_[static_cast<int>(status[row])] = l;
  }
}

// The speed in force, under Step/Start.
void PanelWindow::BuildRateLabel(QWidget* strip) {
  auto* rate = new QLabel(strip);
  rate->setObjectName(LabelObjectName(Label::kRate));
  MakeLiveLabel(rate, LabelMeaning(Label::kRate));
  announcer_->WatchLabel(rate);
  rate->setGeometry(layout::RateLabel());
  rate->setFont(SansFont(9, true));
  rate->setAlignment(Qt::AlignCenter);
  labels_[static_cast<int>(Label::kRate)] = rate;
}

void PanelWindow::BuildCyclesRemaining(QWidget* strip) {
  const QFont status_font = SansFont(8);
  auto* caption = new QLabel("Cycles Remaining ", strip);
  caption->setObjectName("lbl_Remain_Caption");
  caption->setFont(status_font);
  caption->setGeometry(layout::RemainCaption());
  caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  auto* cycles = new QLabel(strip);
  cycles->setObjectName(LabelObjectName(Label::kCycles));
  MakeLiveLabel(cycles, LabelMeaning(Label::kCycles));
  announcer_->WatchLabel(cycles);
  cycles->setGeometry(layout::CyclesLabel());
  cycles->setFont(FixedFont(9, true));
  // Its left end lies under the register display: the box is drawn in the
  // part that shows, with the count to the right.
  cycles->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  cycles->setStyleSheet(CyclesStyle(Colours(), CyclesMargin()));
  labels_[static_cast<int>(Label::kCycles)] = cycles;
}

// A dark box of fixed-pitch fields on a grid, with the column heading over
// A, E and SR.
void PanelWindow::BuildRegisterDisplay(QWidget* strip) {
  auto* display = new QWidget(strip);
  display->setObjectName("pic_Debug");
  display->setGeometry(layout::RegisterDisplay());
  display->setAttribute(Qt::WA_StyledBackground);
  display->setStyleSheet(RegisterDisplayStyle(Colours()));
  const QFont mono = FixedFont(8);
  const QPoint origin(4, 2);
  auto field = [&](Label label, int left, int row, int width) {
    auto* l = new QLabel(display);
    l->setObjectName(LabelObjectName(label));
    MakeLiveLabel(l, LabelMeaning(label));
    announcer_->WatchLabel(l);
    l->setFont(mono);
    l->setGeometry(QRect(origin + QPoint(Px(left), Px(row * layout::kGridRow)), QSize(Px(width), Px(layout::kGridRow))));
    labels_[static_cast<int>(label)] = l;
  };
  using namespace layout;
  const int col2_width = kGridCol3 - kGridCol2 - 30;
  const int char_width = kGridCharCol[1] - kGridCharCol[0];
  field(Label::kOpcode, kGridCol1, 0, kGridCol1Width);
  field(Label::kAmode, kGridCol2, 0, col2_width);
  field(Label::kRegister, kGridCol3, 0, kGridCol3Width);
  field(Label::kCflag, kGridCharCol[0], 0, char_width);
  field(Label::kOFlag, kGridCharCol[1], 0, char_width);
  field(Label::kOperation, kGridCharCol[2], 0, char_width);
  field(Label::kP0, kGridCol1, 1, kGridCol1Width);
  field(Label::kM1, kGridCol2, 1, col2_width);
  field(Label::kM2, kGridCol3, 1, kGridCol3Width);
  field(Label::kP1, kGridCol1, 2, kGridCol1Width);
  field(Label::kP2, kGridCol1, 3, kGridCol1Width);
  field(Label::kP3, kGridCol1, 4, kGridCol1Width);
  field(Label::kAccu, kGridCol2, 4, col2_width);
  field(Label::kExtension, kGridCol3, 4, kGridCol3Width);
  field(Label::kStatus, kGridCol4, 4, 2850 - kGridCol4 - 120);

  // The heading over A, E and SR: each of its words stands over its field.
  auto* heading = new ColumnHeading("A           E         ST", {Px(kGridCol2), Px(kGridCol3), Px(kGridCol4)},
                                    display);
  heading->setObjectName("lbl_Reg_Heading");
  heading->setFont(mono);
  heading->setGeometry(QRect(origin + QPoint(0, Px(3 * kGridRow)), QSize(Px(2850) - 8, Px(kGridRow))));
}

TestResultsWindow* PanelWindow::TestResults() const { return test_results_.data(); }

void PanelWindow::ShowMonitor() {
  if (!monitor_) {
    monitor_ = new MonitorWindow(model_, this);
    AddMonitorKeys(monitor_);
    monitor_->SetToolBar(debug_->MakeToolBar(monitor_, "tlb_MonitorDebug"));
    menus_->AddFileKeys(monitor_);
    connect(monitor_, &MonitorWindow::MachineChanged, this, [this] { Refresh(); });
  }
  monitor_->show();
  monitor_->raise();
  monitor_->activateWindow();
}

MonitorWindow* PanelWindow::Monitor() const { return monitor_.data(); }

void PanelWindow::SaveStateAs() {
  FileChooser chooser(FileChooser::Kind::kSaveState, model_, this);
  chooser.exec();
}

void PanelWindow::LoadStateFrom() {
  FileChooser chooser(FileChooser::Kind::kLoadState, model_, this);
  chooser.exec();
  Refresh();
}

// ---- Drawing ----------------------------------------------------------------

void PanelWindow::Refresh() {
  const uint64_t changes = model_.ChangeCount();
  if (!drawn_ || changes != drawn_changes_) {
    for (const BoardLamp& lamp : lamps_)
      if (lamp.shape->SetLit(model_.LampOn(lamp.lamp, lamp.index)) && drawn_) announcer_->Changed(lamp.shape);
    for (int i = 0; i < static_cast<int>(Label::kCount); ++i) {
      if (labels_[i] == nullptr || i == static_cast<int>(Label::kCycles)) continue;
      const std::string text = model_.LabelText(static_cast<Label>(i));
      labels_[i]->setText(i == static_cast<int>(Label::kRate) ? QString::fromStdString(text) : LabelQText(text));
    }
    ShowLampsInWords();
    drawn_ = true;
    drawn_changes_ = changes;
  }
  ShowBrightness();
  labels_[static_cast<int>(Label::kCycles)]->setText(LabelQText(model_.LabelText(Label::kCycles)));
  if (!model_.Running()) announcer_->Settled();
  if (model_.HasNotices()) ShowNotices();
  if (monitor_) monitor_->Refresh(!model_.Running());
  if (editor_ && !model_.Running()) editor_->ShowMachine();
  if (editor_) editor_->ShowCheckWarnings();
}

// A trace log that stopped (write error, limit): told once, in a box that
// does not stop the run or the panel.
void PanelWindow::ShowNotices() {
  QStringList texts;
  for (const std::string& notice : model_.TakeNotices()) texts << QString::fromLocal8Bit(notice.c_str());
  auto* box = new QMessageBox(QMessageBox::Warning, kTitle, texts.join("\n\n"), QMessageBox::Ok, this);
  box->setObjectName("msg_Notice");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  box->show();
}

// The LEDs and flag LEDs as bright as the share of emulated time they were
// lit since the last frame.
void PanelWindow::ShowBrightness() {
  model_.SampleLampShares();
  for (const BoardLamp& lamp : lamps_)
    if (lamp.lamp == Lamp::kLed || lamp.lamp == Lamp::kFlagLed)
      lamp.shape->SetLitShare(model_.LampShare(lamp.lamp, lamp.index));
}

// ---- Panel operations -------------------------------------------------------

void PanelWindow::Operation(const std::function<void()>& operation) {
  // During a loop only the switches, HLT and SST are enabled: they go to
  // the model straight away and the loop picks them up after its step.
  operation();
  Refresh();
}

void PanelWindow::RunOperation(void (PanelModel::*operation)()) {
  if (model_.Running()) return;  // the button is disabled; a stray event
  wait_until_ = {};
  const uint64_t steps_before = model_.StepsSinceReset();
  (model_.*operation)();
  AfterOperation();
  AnnounceStop(steps_before);
}

void PanelWindow::RunOperation(const std::function<void()>& operation) {
  if (model_.Running()) return;  // the button is disabled; a stray event
  wait_until_ = {};
  const uint64_t steps_before = model_.StepsSinceReset();
  operation();
  AfterOperation();
  AnnounceStop(steps_before);
}

void PanelWindow::AfterOperation() {
  UnlockAfterLoop();
  Refresh();
  // Why the run stopped, and how to go on from a pause, where the learner
  // steps: from the panel's keys as from the toolbar.
  const std::string note = StopNote(model_);
  if (editor_ && model_.RunMode() && !note.empty()) editor_->Say(QString::fromStdString(note));
  // That frame shows the lamps' shares of the loop's last slice. No
  // emulated time passes after it, so one frame later the lamps show the
  // state they keep: a program that lit an LED just before it halted would
  // otherwise leave it dim until some other event repaints the panel.
  QTimer::singleShot(kRefreshMs, this, [this] {
    if (!model_.Running()) Refresh();
  });
  if (exit_pending_) FinishExit();
}

void PanelWindow::LockForLoop() {
  if (loop_controls_locked_) return;
  loop_controls_locked_ = true;
  for (QPushButton* b : idle_only_) b->setEnabled(false);
  menuBar()->setEnabled(false);
  debug_->SetRunning(true);
  since_refresh_.start();
}

void PanelWindow::UnlockAfterLoop() {
  if (!loop_controls_locked_) return;
  loop_controls_locked_ = false;
  for (QPushButton* b : idle_only_) b->setEnabled(true);
  menuBar()->setEnabled(true);
  debug_->SetRunning(false);
}

void PanelWindow::Pump() {
  LockForLoop();
  if (since_refresh_.elapsed() >= kRefreshMs) {
    Refresh();
    since_refresh_.restart();
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void PanelWindow::Wait(double seconds) {
  using Clock = std::chrono::steady_clock;
  auto now = Clock::now();
  if (wait_until_ < now) wait_until_ = now;
  wait_until_ += std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  if (wait_until_ - now < kMinSleep) return;

  // A wait long enough to notice: show this step's values first, then keep
  // the window alive while the time passes.
  LockForLoop();
  Refresh();
  since_refresh_.restart();
  const bool stop_before = model_.HaltRequested();
  const bool single_before = model_.SingleStepMode();
  while (now < wait_until_) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (since_refresh_.elapsed() >= kRefreshMs) {
      Refresh();
      since_refresh_.restart();
    }
    // Once the loop is bound to end after this step there is nothing left
    // to wait for.
    if (exit_pending_ || (model_.HaltRequested() && !stop_before) || (model_.SingleStepMode() && !single_before)) {
      wait_until_ = Clock::now();
      break;
    }
    now = Clock::now();
    if (now >= wait_until_) break;
    std::this_thread::sleep_for(std::min<Clock::duration>(wait_until_ - now, kWaitSlice));
    now = Clock::now();
  }
}

// ---- Windows and the end ----------------------------------------------------

namespace {
// True when the window was accepted.
template <class Window, class Make>
bool ShowModal(QPointer<Window>& window, Make make) {
  if (!window) window = make();
  const bool accepted = window->exec() == QDialog::Accepted;
  if (window && window->Discarded()) delete window.data();
  return accepted;
}

QString FileNameOf(const std::string& path) {
  return QFile::decodeName(std::filesystem::path(path).filename().string().c_str());
}
}  // namespace

FileChooser* PanelWindow::OpenMemWindow() const { return open_mem_.data(); }
FileChooser* PanelWindow::SaveMemWindow() const { return save_mem_.data(); }
FileChooser* PanelWindow::LoadAsmWindow() const { return load_asm_.data(); }
FileChooser* PanelWindow::AssembleSourceWindow() const { return assemble_source_.data(); }
FileChooser* PanelWindow::LoadHexWindow() const { return load_hex_.data(); }
SettingsWindow* PanelWindow::SettingsWin() const { return settings_.data(); }

void PanelWindow::ShowOpenMem() {
  if (ShowModal(open_mem_, [this] { return new FileChooser(FileChooser::Kind::kOpenMem, model_, this); }))
  {
    setWindowTitle(kTitle + " - " + FileNameOf(open_mem_->ChosenPath()));
    RememberFile(open_mem_->ChosenPath());
  }
  Refresh();
}

void PanelWindow::ShowSaveMem() {
  ShowModal(save_mem_, [this] { return new FileChooser(FileChooser::Kind::kSaveMemAs, model_, this); });
  Refresh();
}

void PanelWindow::ShowLoadAsm() {
  // What the load stored, in the title: a file that was no listing at all
  // shows "nothing stored" there.
  if (ShowModal(load_asm_, [this] { return new FileChooser(FileChooser::Kind::kLoadAsm, model_, this); }))
  {
    setWindowTitle(kTitle + " - " + load_asm_->LastReport());
    RememberFile(load_asm_->ChosenPath());
  }
  Refresh();
}

void PanelWindow::ShowAssembleSource() {
  if (ShowModal(assemble_source_,
                [this] { return new FileChooser(FileChooser::Kind::kAssembleSource, model_, this); }))
    AssembleSource(assemble_source_->ChosenPath());
}

// Ctrl+R: the edit, assemble, run loop without a file window; the editor's
// text, saved or not, once it holds a source.
void PanelWindow::Reassemble() {
  if (editor_ && editor_->HoldsSource()) {
    SourceLoad result;
    const bool loaded = editor_->AssembleAndLoad(&result);
    if (!loaded && !result.diagnostics.empty()) ShowEditor()->ShowErrors();
    // Errors are marked in the editor; only a failure without them needs a box.
    ShowLoadResult(loaded, editor_->Name(), result.diagnostics.empty() ? result.error : "", result.report);
    return;
  }
  if (model_.SourcePath().empty()) {
    ShowAssembleSource();
    return;
  }
  SourceLoad result;
  const bool loaded = model_.Reassemble(&result);
  if (loaded) result.report += " loaded; " + ResetForNewProgram(model_);
  ShowSourceResult(loaded, result);
}

void PanelWindow::ShowLoadHex() {
  if (ShowModal(load_hex_, [this] { return new FileChooser(FileChooser::Kind::kLoadHex, model_, this); }))
    LoadFile(load_hex_->ChosenPath());
}

// The source opens in the editor too, where its errors are marked.
bool PanelWindow::AssembleSource(const std::string& path) {
  if (!ShowEditor()->OpenSource(QFile::decodeName(path.c_str()))) return false;
  SourceLoad result;
  const bool loaded = editor_->AssembleAndLoad(&result);
  return ShowSourceResult(loaded, result);
}

// Errors in the source bring up the diagnostics; an unreadable file only a
// message.
bool PanelWindow::ShowSourceResult(bool loaded, const SourceLoad& result) {
  if (!loaded && !result.diagnostics.empty()) {
    DiagnosticsDialog dialog(result, this);
    dialog.exec();
    Refresh();
    return false;
  }
  const bool shown = ShowLoadResult(loaded, model_.SourcePath(), result.error, result.report);
  // Bytes outside the board's RAM (past 000-FFF, the port, absent memory):
  // one line per range, as for every other kind of file.
  ShowLoadDetails(this, AssembledLoad(model_.SourcePath(), loaded, result, model_.Memory()));
  return shown;
}

bool PanelWindow::ShowLoadResult(bool loaded, const std::string& path, const std::string& error,
                                 const std::string& report) {
  if (loaded) {
    setWindowTitle(kTitle + " - " + (report.empty() ? FileNameOf(path) : QString::fromLocal8Bit(report.c_str())));
    RememberFile(path);
  } else if (!error.empty()) {
    QMessageBox box(QMessageBox::Warning, kTitle, QString::fromLocal8Bit(error.c_str()), QMessageBox::Ok, this);
    box.setObjectName("msg_FileError");
    box.exec();
  }
  Refresh();
  return loaded;
}

bool PanelWindow::LoadFile(const std::string& path) {
  if (model_.Running()) return false;
  // A source opens in the editor and is assembled from there, so that its
  // errors are marked on their lines and it can be stepped through.
  if (KindOfFile(path) == FileKind::kSource) return AssembleSource(path);
  const FileLoad load = model_.LoadFile(path);
  const bool shown = load.kind == FileKind::kSource
                         ? ShowSourceResult(load.loaded, SourceLoad{load.diagnostics, load.error, load.Summary(), {}, {}})
                         : ShowLoadResult(load.loaded, path, load.error, load.Summary());
  ShowLoadDetails(this, load);
  return shown;
}

void PanelWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && !model_.Running()) event->acceptProposedAction();
}

void PanelWindow::dropEvent(QDropEvent* event) {
  if (model_.Running()) return;
  event->acceptProposedAction();
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  // Loaded once the drop is over: a message box must not hold up the
  // program the files were dragged from.
  QTimer::singleShot(0, this, [this, paths] {
    for (const std::string& path : paths) LoadFile(path);
  });
}

void PanelWindow::ShowSettings() {
  ShowModal(settings_, [this] { return new SettingsWindow(model_, this); });
  Refresh();
}

void PanelWindow::closeEvent(QCloseEvent* event) {
  if (editor_ && !editor_->MaySetAside()) {
    event->ignore();
    return;
  }
  event->accept();
  if (model_.Running()) {
    // The loop ends after its current step; the handler that started it
    // finishes the exit then.
    exit_pending_ = true;
    model_.AbortRun();
    return;
  }
  FinishExit();
}

void PanelWindow::FinishExit() {
  if (exited_) return;
  exited_ = true;
  model_.CloseTrace();
  if (exit_action_) exit_action_();
}

}  // namespace scmp
