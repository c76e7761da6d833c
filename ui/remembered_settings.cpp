#include "ui/remembered_settings.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>
#include <algorithm>

#include "trainer/panel_model.h"
#include "ui/file_chooser.h"
#include "ui/zoom.h"

namespace scmp {

namespace {
const QString kTheme = "theme";
const QString kSpeed = "speed";
const QString kRecent = "recentFiles";
const QString kOpen = "openWindows";
QString FolderKey(const QString& window) { return "folders/" + window; }
QString GeometryKey(const QString& window) { return "geometry/" + window; }
QString ZoomKey(const QString& window) { return "zoom/" + window; }
}  // namespace

bool IsRememberedWindow(const QWidget* widget) {
  if (!widget->isWindow() || widget->objectName().isEmpty()) return false;
  if (widget->windowType() != Qt::Window && widget->windowType() != Qt::Dialog) return false;
  return qobject_cast<const QMessageBox*>(widget) == nullptr && qobject_cast<const QFileDialog*>(widget) == nullptr;
}

RememberedSettings::RememberedSettings(std::unique_ptr<QSettings> settings, QObject* parent)
    : QObject(parent), settings_(settings ? std::move(settings) : std::make_unique<QSettings>()) {}

RememberedSettings::~RememberedSettings() {
  if (watching_) FileChooser::SetFolderMemory({}, {});
}

ThemeChoice RememberedSettings::Theme() const { return ThemeFromKey(settings_->value(kTheme).toString()); }
void RememberedSettings::SetTheme(ThemeChoice theme) { settings_->setValue(kTheme, ThemeKey(theme)); }

int RememberedSettings::Speed(int fallback) const {
  bool ok = false;
  const int factor = settings_->value(kSpeed).toInt(&ok);
  const bool known = std::find(PanelModel::kSpeeds.begin(), PanelModel::kSpeeds.end(), factor) != PanelModel::kSpeeds.end();
  return ok && known ? factor : fallback;
}
void RememberedSettings::SetSpeed(int factor) { settings_->setValue(kSpeed, factor); }

QString RememberedSettings::LastFolder(const QString& window) const {
  return settings_->value(FolderKey(window)).toString();
}
void RememberedSettings::SetLastFolder(const QString& window, const QString& folder) {
  settings_->setValue(FolderKey(window), folder);
}

// The settings file may hold any number of entries: the list shows its own
// count at most.
QStringList RememberedSettings::RecentFiles() const {
  return settings_->value(kRecent).toStringList().mid(0, kRecentFiles);
}

void RememberedSettings::AddRecentFile(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(path);
  files.prepend(path);
  while (files.size() > kRecentFiles) files.removeLast();
  settings_->setValue(kRecent, files);
}

QStringList RememberedSettings::OpenWindows() const { return settings_->value(kOpen).toStringList(); }

int RememberedSettings::ZoomLevel(const QString& window) const { return settings_->value(ZoomKey(window), 0).toInt(); }

void RememberedSettings::Watch() {
  watching_ = true;
  qApp->installEventFilter(this);
  Zoom* zoom = Zoom::Instance();
  settings_->beginGroup("zoom");
  const QStringList zoomed = settings_->childKeys();
  settings_->endGroup();
  for (const QString& window : zoomed) zoom->SetLevel(window, ZoomLevel(window));
  connect(zoom, &Zoom::LevelChanged, this,
          [this](const QString& window, int level) { settings_->setValue(ZoomKey(window), level); });
  connect(ThemeNotifier::Instance(), &ThemeNotifier::Changed, this, [this] { SetTheme(CurrentTheme()); });
  FileChooser::SetFolderMemory([this](const QString& window) { return LastFolder(window); },
                               [this](const QString& window, const QString& folder) { SetLastFolder(window, folder); });
}

void RememberedSettings::KeepWindows(const QWidget* main) {
  QStringList open;
  for (const QWidget* w : QApplication::topLevelWidgets()) {
    if (!IsRememberedWindow(w) || !w->isVisible()) continue;
    KeepGeometry(w);
    if (w != main && !w->isModal()) open << w->objectName();
  }
  settings_->setValue(kOpen, open);
  settings_->sync();
}

void RememberedSettings::KeepGeometry(const QWidget* window) {
  settings_->setValue(GeometryKey(window->objectName()), window->saveGeometry());
}

bool RememberedSettings::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType() || (event->type() != QEvent::Show && event->type() != QEvent::Hide)) return false;
  auto* window = static_cast<QWidget*>(watched);
  if (!IsRememberedWindow(window)) return false;
  if (event->type() == QEvent::Hide) {
    KeepGeometry(window);
  } else if (!window->property("scmpPlaced").isValid()) {
    // Once per window: later shows keep wherever it was moved.
    window->setProperty("scmpPlaced", true);
    const QByteArray geometry = settings_->value(GeometryKey(window->objectName())).toByteArray();
    if (!geometry.isEmpty()) window->restoreGeometry(geometry);
  }
  return false;
}

}  // namespace scmp
