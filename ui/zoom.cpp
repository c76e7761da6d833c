#include "ui/zoom.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QTableView>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace scmp {

namespace {

constexpr const char* kBaseFont = "scmpZoomBaseFont";
constexpr const char* kApplied = "scmpZoomApplied";
constexpr const char* kHandler = "scmpZoomHandler";
constexpr const char* kBaseRect = "scmpZoomBaseRect";

using Handler = std::function<void(double)>;

// Handlers live in the windows they belong to, so that they go with them.
class HandlerHolder : public QObject {
 public:
  HandlerHolder(Handler handler, QObject* parent) : QObject(parent), handler(std::move(handler)) {
    setObjectName(kHandler);
  }
  Handler handler;
};

QFont BaseFont(QWidget* w) {
  const QVariant v = w->property(kBaseFont);
  if (v.isValid()) return v.value<QFont>();
  w->setProperty(kBaseFont, w->font());
  return w->font();
}

// +1, -1, 0 for the zoom keys; 2 for any other key.
int ZoomKey(const QKeyEvent* key) {
  if (!(key->modifiers() & Qt::ControlModifier)) return 2;
  switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: return +1;
    case Qt::Key_Minus: return -1;
    case Qt::Key_0: return 0;
    default: return 2;
  }
}

constexpr const char* kFitChars = "scmpFitChars";

// Room round a cell's or a box's text: the style's margins and frame.
constexpr int kCellPadding = 10;

void FitNow(QWidget* w) {
  const QVariantList chars = w->property(kFitChars).toList();
  const QFontMetrics metrics(w->font());
  const int digit = metrics.horizontalAdvance('0');
  if (auto* table = qobject_cast<QTableView*>(w)) {
    QHeaderView* header = table->horizontalHeader();
    for (int c = 0; c < chars.size(); ++c) {
      const QString heading = table->model() ? table->model()->headerData(c, Qt::Horizontal).toString() : QString();
      const int width = std::max(chars[c].toInt() * digit, QFontMetrics(header->font()).horizontalAdvance(heading));
      table->setColumnWidth(c, width + kCellPadding);
    }
    return;
  }
  w->setMaximumWidth(chars.value(0).toInt() * digit + kCellPadding);
}

// Fits the widgets it watches again when their font changes.
class FitOnFontChange : public QObject {
 public:
  using QObject::QObject;
  static FitOnFontChange* Instance() {
    static auto* fit = new FitOnFontChange(qApp);
    return fit;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FontChange) FitNow(static_cast<QWidget*>(watched));
    return false;
  }
};

void Fit(QWidget* w, const QVariantList& chars) {
  const bool watched = w->property(kFitChars).isValid();
  w->setProperty(kFitChars, chars);
  if (!watched) w->installEventFilter(FitOnFontChange::Instance());
  FitNow(w);
}

}  // namespace

void FitColumnsToFont(QTableView* table, const std::vector<int>& chars) {
  QVariantList list;
  for (int c : chars) list << c;
  Fit(table, list);
}

void FitWidthToFont(QWidget* box, int chars) { Fit(box, {chars}); }

double Zoom::Factor(int level) { return std::pow(1.15, std::clamp(level, kMinLevel, kMaxLevel)); }

Zoom* Zoom::Instance() {
  static Zoom* zoom = [] {
    auto* z = new Zoom(qApp);
    qApp->installEventFilter(z);
    return z;
  }();
  return zoom;
}

void Zoom::SetLevel(const QString& window_name, int level) {
  level = std::clamp(level, kMinLevel, kMaxLevel);
  const bool changed = Level(window_name) != level;
  levels_[window_name] = level;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == window_name && w->property(kApplied).isValid()) Apply(w);
  if (changed) emit LevelChanged(window_name, level);
}

void Zoom::Step(QWidget* window, int direction) {
  window = window->window();
  SetLevel(window->objectName(), direction == 0 ? 0 : Level(window->objectName()) + direction);
  Apply(window);
}

void Zoom::SetHandler(QWidget* window, std::function<void(double)> handler) {
  delete window->findChild<HandlerHolder*>(kHandler, Qt::FindDirectChildrenOnly);
  new HandlerHolder(std::move(handler), window);
}

void Zoom::Apply(QWidget* window) {
  const int level = Level(window->objectName());
  // A window never zoomed and at level 0 is left exactly as built.
  if (level == 0 && !window->property(kApplied).isValid()) return;
  window->setProperty(kApplied, level);
  const double factor = Factor(level);
  if (auto* holder = window->findChild<HandlerHolder*>(kHandler, Qt::FindDirectChildrenOnly))
    holder->handler(factor);
  else if (window->layout() == nullptr && window->minimumSize() == window->maximumSize())
    ScaleFixedWindow(window, factor);
  else
    ScaleFonts(window, factor);
}

bool Zoom::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::Show:
      if (widget->isWindow() && !widget->property(kApplied).isValid()) Apply(widget);
      return false;
    case QEvent::KeyPress: {
      const int direction = ZoomKey(static_cast<QKeyEvent*>(event));
      if (direction == 2) return false;
      Step(widget, direction);
      return true;
    }
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      if (!(wheel->modifiers() & Qt::ControlModifier) || wheel->angleDelta().y() == 0) return false;
      Step(widget, wheel->angleDelta().y() > 0 ? +1 : -1);
      return true;
    }
    default: return false;
  }
}

void ScaleFixedWindow(QWidget* window, double factor) {
  auto base_rect = [](QWidget* w) {
    const QVariant v = w->property(kBaseRect);
    if (v.isValid()) return v.toRect();
    w->setProperty(kBaseRect, w->geometry());
    return w->geometry();
  };
  auto scaled = [factor](int length) { return static_cast<int>(std::lround(length * factor)); };
  const QRect window_base = base_rect(window);
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (w->isWindow() || (w->parentWidget() != nullptr && w->parentWidget()->layout() != nullptr)) continue;
    const QRect r = base_rect(w);
    w->setGeometry(scaled(r.left()), scaled(r.top()), scaled(r.width()), scaled(r.height()));
  }
  ScaleFonts(window, factor);
  window->setFixedSize(scaled(window_base.width()), scaled(window_base.height()));
}

void ScaleFonts(QWidget* root, double factor) {
  auto scale = [factor](QWidget* w) {
    QFont f = BaseFont(w);
    if (f.pointSizeF() > 0)
      f.setPointSizeF(f.pointSizeF() * factor);
    else if (f.pixelSize() > 0)
      f.setPixelSize(std::max(1, static_cast<int>(std::lround(f.pixelSize() * factor))));
    w->setFont(f);
  };
  scale(root);
  for (QWidget* w : root->findChildren<QWidget*>())
    if (w->testAttribute(Qt::WA_SetFont) || w->property(kBaseFont).isValid()) scale(w);
  // Table rows keep the height they were made with: make them fit the text.
  for (QTableView* table : root->findChildren<QTableView*>()) {
    const int row = QFontMetrics(table->font()).height() + 6;
    table->verticalHeader()->setDefaultSectionSize(row);
    table->verticalHeader()->setMinimumSectionSize(std::min(row, table->verticalHeader()->minimumSectionSize()));
  }
}

}  // namespace scmp
