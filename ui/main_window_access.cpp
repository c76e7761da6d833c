// The main window's part in accessibility, themes and zoom: View > Lamps as
// Text, View > Theme, the zoom entries, Help > User's Guide, and the
// panel's lamps told to screen readers.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>

#include "core/hex.h"
#include "trainer/lamps_text.h"
#include "ui/accessibility.h"
#include "ui/lamp.h"
#include "ui/main_window.h"
#include "files/file_kind.h"
#include "ui/editor_window.h"
#include "ui/panel_layout.h"
#include "ui/panel_scaler.h"
#include "ui/panel_style.h"
#include "ui/remembered_settings.h"
#include "ui/theme.h"
#include "ui/zoom.h"

namespace scmp {

namespace {

// The guide beside the program in the build folder, or where installing
// puts it.
QString FindGuide() {
  const QString exe_dir = QCoreApplication::applicationDirPath();
  for (const QString& candidate : {exe_dir + "/doc/guide.html", exe_dir + "/../share/doc/scmp-trainer/guide.html"})
    if (QFileInfo::exists(candidate)) return QDir::cleanPath(candidate);
  return {};
}

}  // namespace

int PanelWindow::CyclesMargin() { return layout::RegisterDisplay().right() + 3 - layout::CyclesLabel().left(); }

// View > Lamps as Text, View > Theme and the zoom entries.
void PanelWindow::AddLookEntries(QMenu* view) {
  QAction* words = view->addAction("Lamps as &Text");
  words->setObjectName("mnu_LampsText");
  words->setCheckable(true);
  words->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
  connect(words, &QAction::toggled, this, [this](bool on) {
    lamps_text_->setVisible(on);
    statusBar()->setVisible(on);
    ShowLampsInWords();
    lamps_text_->setAccessibleName(on ? lamps_text_->text().replace('\n', "  ") : "Lamps as text");
  });

  QMenu* theme = view->addMenu("T&heme");
  theme->setObjectName("mnu_Theme");
  theme->setAccessibleName("Theme");
  auto* themes = new QActionGroup(theme);
  const std::pair<ThemeChoice, const char*> choices[] = {
      {ThemeChoice::kSystem, "&System"}, {ThemeChoice::kLight, "&Light"}, {ThemeChoice::kDark, "&Dark"}};
  for (const auto& [choice, caption] : choices) {
    QAction* a = theme->addAction(caption);
    a->setObjectName("mnu_Theme_" + ThemeKey(choice));
    a->setCheckable(true);
    a->setChecked(choice == CurrentTheme());
    themes->addAction(a);
    connect(a, &QAction::triggered, this, [choice = choice] { ApplyTheme(choice); });
  }
  // A theme applied from elsewhere (remembered, a test) checks its entry.
  connect(ThemeNotifier::Instance(), &ThemeNotifier::Changed, theme, [theme] {
    for (QAction* a : theme->actions()) a->setChecked(a->objectName() == "mnu_Theme_" + ThemeKey(CurrentTheme()));
  });

  view->addSeparator();
  const std::tuple<const char*, const char*, QKeySequence, int> zooms[] = {
      {"Zoom &In", "mnu_ZoomIn", QKeySequence(Qt::CTRL | Qt::Key_Plus), +1},
      {"Zoom &Out", "mnu_ZoomOut", QKeySequence(Qt::CTRL | Qt::Key_Minus), -1},
      {"&Actual Size", "mnu_ZoomReset", QKeySequence(Qt::CTRL | Qt::Key_0), 0}};
  for (const auto& [caption, name, key, direction] : zooms) {
    QAction* a = view->addAction(caption);
    a->setObjectName(name);
    a->setShortcut(key);
    connect(a, &QAction::triggered, this, [this, d = direction] { Zoom::Instance()->Step(this, d); });
  }
}

// Help > User's Guide: the guide as HTML in the user's browser.
void PanelWindow::AddGuideEntry(QMenu* help) {
  QAction* guide = new QAction("User's &Guide", help);
  guide->setObjectName("mnu_Guide");
  help->insertAction(help->actions().value(0), guide);
  connect(guide, &QAction::triggered, this, [this] {
    const QString path = FindGuide();
    if (path.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
      QMessageBox::warning(this, "User's Guide",
                           path.isEmpty() ? "The guide (guide.html) is not installed beside the program: build the "
                                            "target scmp_guide, or install the program."
                                          : "No browser could be started for " + path + ". Open that file in one.");
  });
}

void PanelWindow::FollowThemeAndZoom() {
  InstallAccessibility();
  lamps_text_ = new QLabel(this);
  lamps_text_->setObjectName("lbl_LampsText");
  lamps_text_->setAccessibleName("Lamps as text");
  lamps_text_->setAccessibleDescription("The lamps and switches in words");
  announcer_->SetLine(lamps_text_);
  lamps_text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  lamps_text_->setFocusPolicy(Qt::StrongFocus);
  lamps_text_->hide();
  statusBar()->setObjectName("bar_Status");
  statusBar()->setSizeGripEnabled(false);
  statusBar()->addWidget(lamps_text_, 1);
  statusBar()->hide();
  connect(ThemeNotifier::Instance(), &ThemeNotifier::Changed, this, [this] { Restyle(); });
  Zoom::Instance()->SetHandler(this, [this](double factor) { ZoomPanel(factor); });
}

// The strip and its boxes take the colours of the theme now in force.
void PanelWindow::Restyle() {
  auto* frame = static_cast<ScaledPanelFrame*>(centralWidget());
  PanelScaler* scaler = frame->Scaler();
  if (scaler == nullptr) return;
  const ColourRoles& c = Colours();
  scaler->Restyle(findChild<QWidget*>("frm_Debug"), StripStyle(c));
  scaler->Restyle(findChild<QWidget*>("pic_Debug"), RegisterDisplayStyle(c));
  scaler->Restyle(labels_[static_cast<int>(Label::kCycles)], CyclesStyle(c, CyclesMargin()));
  RecolourLamps();
  update();
}

// The panel zooms by its window's size, the board scaling to fit.
void PanelWindow::ZoomPanel(double factor) {
  ScaleFonts(statusBar(), factor);
  const auto* frame = static_cast<const ScaledPanelFrame*>(centralWidget());
  const QSize base = frame->Scaler()->BaseSize() * std::max(1.0, factor);
  const int extra = menuBar()->sizeHint().height() + (statusBar()->isVisible() ? statusBar()->sizeHint().height() : 0);
  if (isMaximized() || isFullScreen()) return;
  resize(base.width(), base.height() + extra);
}

// The lamps take the board colours of the theme in force.
void PanelWindow::RecolourLamps() {
  const ColourRoles& c = Colours();
  for (const BoardLamp& lamp : lamps_) {
    switch (lamp.lamp) {
      case Lamp::kAddressSwitch:
      case Lamp::kDataSwitch: lamp.shape->SetColours(c.switch_on, c.switch_off); break;
      case Lamp::kFlagLed: lamp.shape->SetColours(c.flag_on, c.flag_off); break;
      case Lamp::kRunLed: lamp.shape->SetColours(c.led_on, c.run_green); break;
      default: lamp.shape->SetColours(c.led_on, c.led_off); break;
    }
  }
}

// The words that tell what colour tells: the switch buttons' states, the
// mode word by the run lamp and the Lamps as Text line.
void PanelWindow::ShowLampsInWords() {
  for (const BoardLamp& lamp : lamps_) {
    if (lamp.button == nullptr) continue;
    const QString spoken = QString::fromStdString(LampSpoken(lamp.lamp, lamp.index, model_.LampOn(lamp.lamp, lamp.index)));
    if (lamp.button->accessibleName() != spoken) lamp.button->setAccessibleName(spoken);
  }
  run_words_->SetRunMode(model_.RunMode());
  // On two lines, so that it fits the window; read out as one.
  if (!lamps_text_->isHidden())
    lamps_text_->setText(QString::fromStdString(LampsText(model_)).replace("  Switches", "\nSwitches"));
}

// Why a run stopped, spoken in the window the user is in: after anything
// that ran more than one instruction, or that stopped at a breakpoint, a
// watchpoint, a HALT or the pause count.
void PanelWindow::AnnounceStop(uint64_t steps_before) {
  const StopReason reason = model_.Debug().LastStop();
  const bool telling = reason == StopReason::kBreakpoint || reason == StopReason::kWatchpoint ||
                       reason == StopReason::kHalt || reason == StopReason::kPause;
  if (model_.Running() || (!telling && model_.StepsSinceReset() <= steps_before + 1)) return;
  QString why = StopReasonText(reason);
  if (why.isEmpty()) return;
  if (reason == StopReason::kBreakpoint || reason == StopReason::kWatchpoint)
    why += QString(" (%1)").arg(QString::fromStdString(model_.Debug().StopSummary()));
  why += QString("; P0 %1").arg(QString::fromStdString(Hex(static_cast<uint16_t>(model_.State().P[0]), 3)));
  QWidget* active = QApplication::activeWindow();
  Announce(active != nullptr ? active : this, why);
}

// Files > Recent Files lists what `remembered` keeps (ui/menus.cpp); every
// file loaded from now on is added.
void PanelWindow::UseRecentFiles(RememberedSettings* remembered) { remembered_ = remembered; }

void PanelWindow::RememberFile(const std::string& path) {
  if (remembered_ != nullptr && !path.empty())
    remembered_->AddRecentFile(QFileInfo(QFile::decodeName(path.c_str())).absoluteFilePath());
}

// Only the windows of the View menu reopen: the setting is a file anyone
// may edit, and a name such as frm_Exit or frm_OpenSource would otherwise
// trigger Exit or bring up a file window before the panel is in use.
void PanelWindow::ReopenWindows(const QStringList& names) {
  for (const char* name : {"Monitor", "Editor"}) {
    if (!names.contains(QString("frm_") + name)) continue;
    if (auto* action = findChild<QAction*>(QString("mnu_") + name)) action->trigger();
  }
  // The editor comes back with the source it held last, the newest of the recent ones.
  const QStringList recent = RecentSources();
  if (editor_ && !editor_->HoldsSource() && !recent.isEmpty() && QFileInfo(recent.first()).isFile() &&
      KindOfFile(QFile::encodeName(recent.first()).toStdString()) == FileKind::kSource)
    editor_->OpenSource(recent.first());
}

}  // namespace scmp
