#include "ui/board_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "ui/fonts.h"
#include "ui/panel_layout.h"

namespace scmp {

namespace {

using layout::Px;

const QColor kMask(18, 92, 52);
const QColor kMaskDark(10, 62, 34);
const QColor kTrace(44, 128, 74);
const QColor kPad(214, 180, 92);
const QColor kSilk(236, 242, 236);
const QColor kChipBody(28, 28, 30);
const QColor kPin(196, 198, 204);

void Silk(QPainter& p, const QRectF& box, const QString& text, double points, int align = Qt::AlignCenter,
          bool bold = true) {
  p.setFont(SansFont(points, bold));
  p.setPen(kSilk);
  p.drawText(box, align, text);
}

// A dual-in-line package lying on its side: `pins` pins on each long side.
void Dip(QPainter& p, double x, double y, int pins, double pitch, double height, const QString& type,
         const QString& ref) {
  const double length = pins * pitch + pitch * 0.6;
  // Silkscreen outline and the reference above it.
  p.setPen(QPen(kSilk, 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(x - 3, y - 6, length + 6, height + 12));
  Silk(p, QRectF(x - 3, y - 16, 60, 9), ref, 5.5, Qt::AlignLeft | Qt::AlignVCenter);
  // Pins.
  p.setPen(Qt::NoPen);
  p.setBrush(kPin);
  for (int i = 0; i < pins; ++i) {
    const double px = x + pitch * 0.55 + i * pitch;
    p.drawRect(QRectF(px, y - 4, pitch * 0.45, 4));
    p.drawRect(QRectF(px, y + height, pitch * 0.45, 4));
  }
  // Body with its notch and the printing.
  QLinearGradient g(x, y, x, y + height);
  g.setColorAt(0, kChipBody.lighter(150));
  g.setColorAt(0.5, kChipBody);
  g.setColorAt(1, kChipBody.darker(130));
  p.setBrush(g);
  p.drawRoundedRect(QRectF(x, y, length, height), 1.5, 1.5);
  p.setBrush(kMaskDark.darker(180));
  p.drawPie(QRectF(x - height * 0.15, y + height * 0.32, height * 0.3, height * 0.36), 90 * 16, -180 * 16);
  p.setFont(SansFont(height > 28 ? 7.0 : 5.5, true));
  p.setPen(QColor(205, 205, 210));
  p.drawText(QRectF(x, y, length, height), Qt::AlignCenter, type);
}

// A copper track under the mask, with a via at each end.
void Track(QPainter& p, std::initializer_list<QPointF> points, double width = 1.2) {
  QPainterPath path;
  bool first = true;
  for (const QPointF& pt : points) {
    if (first) path.moveTo(pt); else path.lineTo(pt);
    first = false;
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kTrace, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(kPad);
  p.drawEllipse(*points.begin(), 1.6, 1.6);
  p.drawEllipse(*(points.end() - 1), 1.6, 1.6);
}

void MountingHole(QPainter& p, QPointF c) {
  p.setPen(Qt::NoPen);
  p.setBrush(kPad);
  p.drawEllipse(c, 6, 6);
  p.setBrush(QColor(40, 40, 40));
  p.drawEllipse(c, 3.5, 3.5);
}

// A bracket over a group of switch lamps, with its name above.
void GroupBracket(QPainter& p, int left_px, int right_px, int y, const QString& name) {
  p.setPen(QPen(kSilk, 1.0));
  p.drawLine(QPointF(left_px + 1, y + 4), QPointF(left_px + 1, y));
  p.drawLine(QPointF(left_px + 1, y), QPointF(right_px - 1, y));
  p.drawLine(QPointF(right_px - 1, y), QPointF(right_px - 1, y + 4));
  Silk(p, QRectF(left_px, y - 11, right_px - left_px, 10), name, 5.5);
}

// Solder mask with a soft sheen, the board's edge and the mounting holes.
void PaintMask(QPainter& p, QSize size) {
  const QRectF board(0, 0, size.width(), size.height());
  QLinearGradient sheen(0, 0, size.width(), size.height());
  sheen.setColorAt(0, kMask.lighter(112));
  sheen.setColorAt(0.55, kMask);
  sheen.setColorAt(1, kMaskDark);
  p.fillRect(board, sheen);
  p.setPen(QPen(kMask.lighter(140), 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawRect(board.adjusted(2.5, 2.5, -3.5, -3.5));

  MountingHole(p, QPointF(10, 10));
  MountingHole(p, QPointF(size.width() - 11, 10));
  MountingHole(p, QPointF(10, 305));
  MountingHole(p, QPointF(size.width() - 11, 305));
}

// The copper tracks: buses, the port and switch wiring, the power rails.
void PaintCopper(QPainter& p) {
  // Address and data bus from the processor to the memories and the port.
  for (int i = 0; i < 6; ++i) {
    const double y = 106 + i * 2.6;
    Track(p, {QPointF(150 + i * 7, 124), QPointF(150 + i * 7, y), QPointF(320 + i * 4, y), QPointF(320 + i * 4, 124)},
          0.9);
  }
  for (int i = 0; i < 6; ++i) {
    const double y = 172 + i * 2.6;
    Track(p, {QPointF(150 + i * 7, 166), QPointF(150 + i * 7, y), QPointF(404 + i * 7, y), QPointF(404 + i * 7, 158)},
          0.9);
  }
  // The port latch to the data LEDs.
  for (int i = 0; i < 8; ++i) {
    const QRect led = layout::Led(i);
    const double x = led.center().x();
    const double pin = 472 + (7 - i) * 7;
    const double y = 97 + (i % 4) * 2.2;
    Track(p, {QPointF(x, 88), QPointF(x, y), QPointF(pin, y), QPointF(pin, 120)}, 0.9);
  }
  // Switch buffers to the switch rows.
  for (int i = 0; i < 8; ++i) {
    const QRect lamp = layout::DataSwitchLamp(i);
    const double pin = 472 + (7 - i) * 7;
    const double y = 218 + (i % 4) * 2.4;
    Track(p, {QPointF(pin, 214), QPointF(pin, y), QPointF(lamp.center().x(), y), QPointF(lamp.center().x(), 229)},
          0.9);
  }
  for (int i = 0; i < 12; i += 2) {
    const QRect lamp = layout::AddressSwitchLamp(i);
    const double pin = 252 + (11 - i) * 4;
    Track(p, {QPointF(pin, 214), QPointF(pin, 218 + i / 2.0), QPointF(lamp.center().x(), 218 + i / 2.0),
              QPointF(lamp.center().x(), 229)},
          0.9);
  }
  // Power rails along the left and the bottom.
  Track(p, {QPointF(112, 300), QPointF(112, 62), QPointF(128, 62)}, 2.6);
  Track(p, {QPointF(120, 306), QPointF(575, 306)}, 2.6);
}

// The chips, the crystal, the capacitors, the regulator and the power terminal.
void PaintParts(QPainter& p) {
  Dip(p, 130, 128, 20, 7.0, 34, "INS8060N  SC/MP", "IC1");
  Dip(p, 312, 128, 9, 7.0, 24, "MM2114", "IC2");
  Dip(p, 392, 128, 9, 7.0, 24, "MM2114", "IC3");
  Dip(p, 468, 124, 10, 7.0, 22, "DM74LS374", "IC4");
  Dip(p, 468, 190, 10, 7.0, 22, "DM81LS97", "IC5");
  Dip(p, 250, 190, 8, 7.0, 20, "DM74LS138", "IC6");

  // Crystal.
  p.setPen(QPen(kPin.darker(140), 0.8));
  QLinearGradient can(0, 196, 0, 210);
  can.setColorAt(0, kPin.lighter(115));
  can.setColorAt(1, kPin.darker(130));
  p.setBrush(can);
  p.drawRoundedRect(QRectF(140, 196, 40, 14), 7, 7);
  Silk(p, QRectF(136, 212, 60, 9), "X1 4.000 MHz", 5.0, Qt::AlignLeft | Qt::AlignVCenter);

  // Decoupling capacitors.
  for (QPointF c : {QPointF(300, 140), QPointF(380, 140), QPointF(458, 136), QPointF(458, 202)}) {
    p.setPen(QPen(QColor(20, 50, 110), 0.8));
    p.setBrush(QColor(60, 110, 200));
    p.drawEllipse(c, 3.4, 5.2);
  }
  // Voltage regulator with its tab.
  p.setPen(Qt::NoPen);
  p.setBrush(kPin);
  p.drawRect(QRectF(118, 240, 26, 8));
  p.setBrush(kChipBody);
  p.drawRect(QRectF(120, 248, 22, 16));
  Silk(p, QRectF(114, 266, 40, 8), "7805", 5.0);
  // Power terminal.
  p.setPen(QPen(QColor(10, 60, 20), 1));
  p.setBrush(QColor(40, 150, 70));
  p.drawRect(QRectF(118, 280, 30, 16));
  p.setBrush(QColor(180, 180, 180));
  p.drawEllipse(QPointF(126, 288), 4, 4);
  p.drawEllipse(QPointF(140, 288), 4, 4);
  Silk(p, QRectF(112, 297, 44, 8), "+9V  GND", 4.8);
}

// The white printing: the title, the names of the LEDs, lamps, switch groups
// and address keys.
void PaintPrinting(QPainter& p) {
  Silk(p, QRectF(118, 8, 220, 22), "SC/MP TRAINER", 13.0, Qt::AlignLeft | Qt::AlignVCenter);
  Silk(p, QRectF(120, 30, 240, 12), "INS 8060 MICROPROCESSOR KIT  \u2022  REV B", 6.0,
       Qt::AlignLeft | Qt::AlignVCenter, false);

  // Data LEDs: the port address above, the bit numbers below.
  Silk(p, QRectF(layout::Led(7).left(), 45, 150, 12), "OUTPUT PORT  0A00", 6.0, Qt::AlignLeft | Qt::AlignVCenter);
  for (int i = 0; i < 8; ++i) {
    const QRect led = layout::Led(i);
    Silk(p, QRectF(led.left(), led.bottom() + 2, led.width(), 9), QString::number(i), 5.5);
  }
  // Flag LEDs.
  Silk(p, QRectF(418, 28, 54, 12), "FLAGS", 6.0, Qt::AlignRight | Qt::AlignVCenter);
  for (int i = 0; i < 3; ++i) {
    const QRect led = layout::FlagLed(i);
    Silk(p, QRectF(led.left(), led.bottom() + 1, led.width(), 9), QString("F%1").arg(i), 5.0);
  }

  // The left column's lamps.
  Silk(p, QRectF(4, layout::HaltLedOn().bottom() + 2, 34, 9), "HALT", 5.0);
  // RUN and PRGM are drawn over the board by the window, the active one marked.
  Silk(p, QRectF(2, layout::SstLed().bottom() + 2, 38, 9), "S.STEP", 5.0);

  // Switch groups.
  const int group_y = 257;
  GroupBracket(p, layout::AddressSwitchLamp(11).left(), layout::AddressSwitchLamp(8).right() + 1, group_y, "A11\u2013A8");
  GroupBracket(p, layout::AddressSwitchLamp(7).left(), layout::AddressSwitchLamp(4).right() + 1, group_y, "A7\u2013A4");
  GroupBracket(p, layout::AddressSwitchLamp(3).left(), layout::AddressSwitchLamp(0).right() + 1, group_y, "A3\u2013A0");
  GroupBracket(p, layout::DataSwitchLamp(7).left(), layout::DataSwitchLamp(4).right() + 1, group_y, "D7\u2013D4");
  GroupBracket(p, layout::DataSwitchLamp(3).left(), layout::DataSwitchLamp(0).right() + 1, group_y, "D3\u2013D0");
  Silk(p, QRectF(layout::AddressSwitchLamp(11).left(), 232, 200, 10), "ADDRESS SWITCHES", 6.0,
       Qt::AlignLeft | Qt::AlignVCenter);
  Silk(p, QRectF(layout::DataSwitchLamp(7).left(), 232, 130, 10), "DATA SWITCHES", 6.0,
       Qt::AlignLeft | Qt::AlignVCenter);

  // Address stepping keys.
  Silk(p, QRectF(158, layout::PlusButton().top(), 27, layout::PlusButton().height()), "A+", 5.5,
       Qt::AlignRight | Qt::AlignVCenter);
  Silk(p, QRectF(158, layout::MinusButton().top(), 27, layout::MinusButton().height()), "A\u2212", 5.5,
       Qt::AlignRight | Qt::AlignVCenter);
}

}  // namespace

void PaintBoard(QPainter& p, QSize size) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  PaintMask(p, size);
  PaintCopper(p);
  PaintParts(p);
  PaintPrinting(p);
  p.restore();
}

QPixmap RenderBoard(QSize size, double scale, qreal device_pixel_ratio) {
  QPixmap pixmap((QSizeF(size) * scale * device_pixel_ratio).toSize());
  pixmap.setDevicePixelRatio(device_pixel_ratio);
  pixmap.fill(Qt::black);
  QPainter p(&pixmap);
  p.scale(scale, scale);
  PaintBoard(p, size);
  return pixmap;
}

}  // namespace scmp
