// The picture behind the front panel: a trainer's printed circuit board
// with its chips, copper and the white printing that names the switch
// groups, LEDs and buttons.
#pragma once

#include <QPixmap>
#include <QSize>

class QPainter;

namespace scmp {

// Paints the board into `size` logical pixels.
void PaintBoard(QPainter& painter, QSize size);

// The same, rendered once into a pixmap of `scale` times `size` for the
// given device pixel ratio.
QPixmap RenderBoard(QSize size, double scale, qreal device_pixel_ratio);

}  // namespace scmp
