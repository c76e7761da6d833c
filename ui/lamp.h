// One lamp of the board: an LED or the indicator above a switch, drawn lit
// or dark in its two colours with a little shading. It is one widget and
// one accessible object whatever its state, so that a lamp that changes
// sends no show and hide events to screen readers: its spoken name ("LED 3,
// lit") is read from its state when asked. An LED can also be drawn
// part-lit, in between its dark and lit colours, as a lamp switched faster
// than the eye follows looks; a switch indicator can be clicked like its
// switch.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <QWidget>

#include "trainer/panel_model.h"

namespace scmp {

class LampShape : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor fillColor READ FillColor)

 public:
  enum class Form {
    kRound,   // an LED
    kSquare,  // the indicator above a switch button
  };
  LampShape(Form form, Lamp lamp, int index, QColor on, QColor off, QWidget* parent);

  // The colour it shows now (lit or dark, not part-lit).
  QColor FillColor() const { return lit_ ? on_ : off_; }
  QColor OnColor() const { return on_; }
  QColor OffColor() const { return off_; }
  void SetColours(QColor on, QColor off);
  bool Lit() const { return lit_; }
  // Lit or dark; repaints when it changed. True when it changed.
  bool SetLit(bool lit);
  // A lamp drawn a little apart when dark (the board's halt lamp): the
  // widget covers both places, given in the parent's coordinates, and
  // draws itself in the one of its state.
  void SetPlaces(const QRect& on, const QRect& off);
  // The share of time lit (0..1); repaints only when it changed visibly.
  void SetLitShare(double share);
  double LitShare() const { return share_; }
  // Makes the shape take clicks and report them.
  void MakeClickable();
  // "LED 3, lit"; the state alone ("lit", "on", "RUN").
  QString SpokenName() const;
  QString StateWord() const;

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QRectF DrawnRect() const;

  Form form_;
  Lamp lamp_;
  int index_;
  QColor on_, off_;
  bool lit_ = false;
  double share_ = 0.0;
  // The lit and dark places as shares of the widget's size; both the whole
  // widget unless SetPlaces moved them apart.
  QRectF on_place_{0, 0, 1, 1}, off_place_{0, 0, 1, 1};
};

// The printed words PRGM above and RUN below the run lamp, drawn over the
// board so that the mode in force is told by more than the lamp's colour:
// its word bold, bright and pointed at, the other one faint.
class RunModeWords : public QWidget {
 public:
  explicit RunModeWords(QWidget* parent);
  void SetRunMode(bool run);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool run_ = false;
};

}  // namespace scmp
