#include "ui/lamp.h"

#include <QPainter>
#include <QRadialGradient>

namespace scmp {

LampShape::LampShape(Form form, QColor fill, bool lit, QWidget* parent)
    : QWidget(parent), form_(form), fill_(fill), lit_(lit) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LampShape::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
  const QColor rim = fill_.darker(lit_ ? 170 : 220);

  if (form_ == Form::kRound) {
    // The fill colour itself over most of the dome, a highlight towards the
    // top left and a darker edge.
    QRadialGradient g(r.center() - QPointF(r.width() * 0.18, r.height() * 0.18), r.width() * 0.62);
    g.setColorAt(0.0, lit_ ? fill_.lighter(160) : fill_.lighter(125));
    g.setColorAt(0.35, fill_);
    g.setColorAt(0.85, fill_);
    g.setColorAt(1.0, fill_.darker(lit_ ? 125 : 140));
    p.setBrush(g);
    p.setPen(QPen(rim, 1.2));
    p.drawEllipse(r);
    if (lit_) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(255, 255, 255, 150));
      const double s = r.width() * 0.22;
      p.drawEllipse(QRectF(r.left() + r.width() * 0.22, r.top() + r.height() * 0.18, s, s * 0.8));
    }
  } else {
    p.setBrush(fill_);
    p.setPen(QPen(rim, 1.2));
    p.drawRoundedRect(r, 2.5, 2.5);
    // A lens line across the top.
    p.setPen(QPen(fill_.lighter(lit_ ? 140 : 150), 1.0));
    p.drawLine(QPointF(r.left() + 3, r.top() + 2.5), QPointF(r.right() - 3, r.top() + 2.5));
  }
}

}  // namespace scmp
