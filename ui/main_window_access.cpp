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

#include "trainer/lamps_text.h"
#include "ui/accessibility.h"
#include "ui/lamp.h"
#include "ui/main_window.h"
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
  announcer_ = new LampAnnouncer(this);
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

void PanelWindow::LampChanged(const LampPair& pair, bool on) {
  announcer_->Changed(&pair, on ? pair.on : pair.off);
}

// The words that tell what colour tells: the switch buttons' states, the
// mode word by the run lamp and the Lamps as Text line.
void PanelWindow::ShowLampsInWords() {
  for (const LampPair& pair : lamps_) {
    if (pair.button == nullptr) continue;
    const QString spoken = QString::fromStdString(LampSpoken(pair.lamp, pair.index, model_.LampOn(pair.lamp, pair.index)));
    if (pair.button->accessibleName() != spoken) pair.button->setAccessibleName(spoken);
  }
  run_words_->SetRunMode(model_.RunMode());
  // On two lines, so that it fits the window; read out as one.
  if (!lamps_text_->isHidden())
    lamps_text_->setText(QString::fromStdString(LampsText(model_)).replace("  Switches", "\nSwitches"));
}

// Files > Recent Files lists what `remembered` keeps (ui/menus.cpp); every
// file loaded from now on is added.
void PanelWindow::UseRecentFiles(RememberedSettings* remembered) { remembered_ = remembered; }

void PanelWindow::RememberFile(const std::string& path) {
  if (remembered_ != nullptr && !path.empty())
    remembered_->AddRecentFile(QFileInfo(QFile::decodeName(path.c_str())).absoluteFilePath());
}

void PanelWindow::ReopenWindows(const QStringList& names) {
  for (const QString& name : names) {
    if (!name.startsWith("frm_")) continue;
    if (auto* action = findChild<QAction*>("mnu_" + name.mid(4))) action->trigger();
  }
}

}  // namespace scmp
