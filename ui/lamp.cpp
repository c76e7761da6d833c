#include "ui/lamp.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <tuple>

#include "trainer/lamps_text.h"
#include "ui/accessibility.h"
#include "ui/fonts.h"
#include "ui/theme.h"

namespace scmp {

LampShape::LampShape(Form form, Lamp lamp, int index, QColor on, QColor off, QWidget* parent)
    : QWidget(parent), form_(form), lamp_(lamp), index_(index), on_(on), off_(off) {
  // Before any screen reader asks for the lamp, so that its name follows its state.
  InstallAccessibility();
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LampShape::SetColours(QColor on, QColor off) {
  if (on == on_ && off == off_) return;
  on_ = on;
  off_ = off;
  update();
}

bool LampShape::SetLit(bool lit) {
  if (lit == lit_) return false;
  lit_ = lit;
  share_ = lit ? 1.0 : 0.0;
  update();
  return true;
}

void LampShape::SetPlaces(const QRect& on, const QRect& off) {
  const QRect whole = on.united(off);
  setGeometry(whole);
  auto share = [&whole](const QRect& r) {
    return QRectF(static_cast<double>(r.left() - whole.left()) / whole.width(),
                  static_cast<double>(r.top() - whole.top()) / whole.height(),
                  static_cast<double>(r.width()) / whole.width(), static_cast<double>(r.height()) / whole.height());
  };
  on_place_ = share(on);
  off_place_ = share(off);
}

void LampShape::SetLitShare(double share) {
  // 1/64 steps are finer than the eye sees and spare needless repaints.
  const double quantised = std::round(std::clamp(share, 0.0, 1.0) * 64.0) / 64.0;
  if (quantised == share_) return;
  share_ = quantised;
  update();
}

void LampShape::MakeClickable() {
  setAttribute(Qt::WA_TransparentForMouseEvents, false);
  setCursor(Qt::PointingHandCursor);
}

QString LampShape::SpokenName() const { return QString::fromStdString(LampSpoken(lamp_, index_, lit_)); }

QString LampShape::StateWord() const { return QString::fromStdString(LampStateWord(lamp_, lit_)); }

void LampShape::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

namespace {
QColor Blend(QColor dark, QColor lit, double share) {
  auto mix = [share](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * share)); };
  return QColor(mix(dark.red(), lit.red()), mix(dark.green(), lit.green()), mix(dark.blue(), lit.blue()));
}
}  // namespace

QRectF LampShape::DrawnRect() const {
  const QRectF& place = lit_ ? on_place_ : off_place_;
  return QRectF(place.left() * width(), place.top() * height(), place.width() * width(), place.height() * height());
}

void LampShape::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = DrawnRect().adjusted(0.75, 0.75, -0.75, -0.75);
  // Part-lit: the colour in between; a plain lit or dark lamp keeps its own.
  const bool part_lit = share_ != (lit_ ? 1.0 : 0.0);
  const QColor fill = part_lit ? Blend(off_, on_, share_) : FillColor();
  const bool lit = part_lit ? share_ >= 0.5 : lit_;
  const QColor rim = fill.darker(lit ? 170 : 220);

  if (form_ == Form::kRound) {
    // The fill colour itself over most of the dome, a highlight towards the
    // top left and a darker edge.
    QRadialGradient g(r.center() - QPointF(r.width() * 0.18, r.height() * 0.18), r.width() * 0.62);
    g.setColorAt(0.0, lit ? fill.lighter(160) : fill.lighter(125));
    g.setColorAt(0.35, fill);
    g.setColorAt(0.85, fill);
    g.setColorAt(1.0, fill.darker(lit ? 125 : 140));
    p.setBrush(g);
    p.setPen(QPen(rim, 1.2));
    p.drawEllipse(r);
    if (lit) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(255, 255, 255, 150));
      const double s = r.width() * 0.22;
      p.drawEllipse(QRectF(r.left() + r.width() * 0.22, r.top() + r.height() * 0.18, s, s * 0.8));
    }
  } else {
    p.setBrush(fill);
    p.setPen(QPen(rim, 1.2));
    p.drawRoundedRect(r, 2.5, 2.5);
    // A lens line across the top.
    p.setPen(QPen(fill.lighter(lit ? 140 : 150), 1.0));
    p.drawLine(QPointF(r.left() + 3, r.top() + 2.5), QPointF(r.right() - 3, r.top() + 2.5));
    // A switch that is on shows a bar, as the "1" of a rocker: on and off
    // differ in shape as well as in colour.
    if (lit) {
      p.setPen(QPen(fill.darker(320), std::max(1.5, r.width() * 0.14), Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(r.center().x(), r.top() + r.height() * 0.32), QPointF(r.center().x(), r.bottom() - r.height() * 0.22));
    }
  }
}

RunModeWords::RunModeWords(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFont(SansFont(5.0));
  setAccessibleName("Mode: PRGM");
}

void RunModeWords::SetRunMode(bool run) {
  if (run == run_) return;
  run_ = run;
  setAccessibleName(run ? "Mode: RUN" : "Mode: PRGM");
  update();
}

// PRGM on the top line, RUN on the bottom line: the active word bold with a
// pointer before it, the other faint.
void RunModeWords::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::TextAntialiasing);
  const int line = height() / 4;
  const QRect top(0, 0, width(), line), bottom(0, height() - line, width(), line);
  QColor faint = Colours().board_print;
  faint.setAlpha(120);
  for (const auto& [rect, word, active] : {std::tuple{top, QString("PRGM"), !run_}, std::tuple{bottom, QString("RUN"), run_}}) {
    QFont f = font();
    f.setBold(active);
    p.setFont(f);
    p.setPen(active ? Colours().board_print : faint);
    p.drawText(rect, Qt::AlignCenter, active ? QString::fromUtf8("\u25B8") + word : word);
  }
}

}  // namespace scmp
