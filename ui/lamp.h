// One shape of a lamp pair: a filled LED or switch indicator that the main
// window shows or hides. It draws nothing but its own fill colour with a
// little shading, so that a pair reads as one lamp that is lit or dark.
// An LED can also be drawn part-lit, in between its dark and lit colours, as
// a lamp switched faster than the eye follows looks; a switch indicator can
// be clicked like its switch.
#pragma once

#include <QColor>
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
  LampShape(Form form, QColor fill, bool lit, QWidget* parent);

  QColor FillColor() const { return fill_; }
  bool Lit() const { return lit_; }

  // The colour of the pair's other shape, for drawing part-lit.
  void SetCounterpart(QColor fill) { counterpart_ = fill; }
  // The share of time lit (0..1); repaints only when it changed visibly.
  void SetLitShare(double share);
  double LitShare() const { return share_; }
  // Makes the shape take clicks and report them.
  void MakeClickable();
  // Names the shape for screen readers as the lamp `index` of kind `lamp`
  // in the state this shape shows ("LED 3, lit"); its accessible value is
  // that state's word.
  void Describe(Lamp lamp, int index);
  QString StateWord() const { return state_word_; }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Form form_;
  QColor fill_;
  bool lit_;
  QColor counterpart_;
  double share_;
  QString state_word_;
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
