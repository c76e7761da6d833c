#include "ui/panel_scaler.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <memory>

namespace scmp {

namespace {

constexpr const char* kScaleProperty = "panelScale";
constexpr double kCaptionGrowth = 0.92;

// Style-sheet lengths ("8pt", "2px") times `scale`; a length of one pixel or
// more stays at least one pixel.
QString ScaledStyle(const QString& style, double scale) {
  static const QRegularExpression kLength(R"((\d+(?:\.\d+)?)(pt|px))");
  QString out;
  qsizetype last = 0;
  for (auto it = kLength.globalMatch(style); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    out += style.mid(last, m.capturedStart() - last);
    const double base = m.captured(1).toDouble();
    // Hinted text grows a little faster than its point size: key captions
    // that just fit at scale 1 are kept from being clipped when larger.
    double scaled = m.captured(2) == "pt" && scale > 1 ? base * (1 + (scale - 1) * kCaptionGrowth) : base * scale;
    if (m.captured(2) == "px") scaled = base >= 1 ? std::max(1.0, std::round(scaled)) : 0;
    out += QString::number(scaled, 'f', m.captured(2) == "px" ? 0 : 2) + m.captured(2);
    last = m.capturedEnd();
  }
  return out + style.mid(last);
}

QRect ScaledRect(const QRect& r, double scale) {
  const int left = static_cast<int>(std::lround(r.left() * scale));
  const int top = static_cast<int>(std::lround(r.top() * scale));
  const int right = static_cast<int>(std::lround((r.left() + r.width()) * scale));
  const int bottom = static_cast<int>(std::lround((r.top() + r.height()) * scale));
  return QRect(left, top, right - left, bottom - top);
}

}  // namespace

PanelScaler::PanelScaler(QWidget* panel) : panel_(panel), base_size_(panel->size()) {
  for (QWidget* w : panel->findChildren<QWidget*>()) widgets_.push_back({w, w->geometry(), w->font(), w->styleSheet()});
}

void PanelScaler::ScaleTo(QPoint origin, double scale) {
  if (!panel_) return;
  const bool changed = scale != scale_;
  scale_ = scale;
  panel_->setGeometry(QRect(origin, ScaledRect(QRect(QPoint(), base_size_), scale).size()));
  if (!changed) return;
  for (const Base& b : widgets_) {
    if (!b.widget) continue;
    b.widget->setProperty(kScaleProperty, scale);
    b.widget->setGeometry(ScaledRect(b.rect, scale));
    QFont f = b.font;
    if (f.pointSizeF() > 0)
      f.setPointSizeF(f.pointSizeF() * scale);
    else if (f.pixelSize() > 0)
      f.setPixelSize(static_cast<int>(std::lround(f.pixelSize() * scale)));
    b.widget->setFont(f);
    if (!b.style.isEmpty()) b.widget->setStyleSheet(ScaledStyle(b.style, scale));
  }
}

void PanelScaler::Restyle(QWidget* widget, const QString& style) {
  for (Base& b : widgets_) {
    if (b.widget != widget) continue;
    b.style = style;
    widget->setStyleSheet(ScaledStyle(style, scale_));
    return;
  }
  widget->setStyleSheet(style);
}

int PanelScaler::Scaled(const QWidget* w, int base_length) {
  const QVariant v = w->property(kScaleProperty);
  return v.isValid() ? static_cast<int>(std::lround(base_length * v.toDouble())) : base_length;
}

ScaledPanelFrame::ScaledPanelFrame(QWidget* panel, QWidget* parent) : QWidget(parent), panel_(panel) {
  panel_->setParent(this);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(12, 14, 16));
  setPalette(pal);
}

void ScaledPanelFrame::FinishBuilding() {
  scaler_ = std::make_unique<PanelScaler>(panel_);
  setMinimumSize(scaler_->BaseSize());
}

void ScaledPanelFrame::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!scaler_) return;
  const QSize base = scaler_->BaseSize();
  const double scale = std::max(1.0, std::min(static_cast<double>(width()) / base.width(),
                                               static_cast<double>(height()) / base.height()));
  const QSize scaled(static_cast<int>(std::lround(base.width() * scale)),
                     static_cast<int>(std::lround(base.height() * scale)));
  scaler_->ScaleTo(QPoint((width() - scaled.width()) / 2, (height() - scaled.height()) / 2), scale);
}

}  // namespace scmp
