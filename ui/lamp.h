// One shape of a lamp pair: a filled LED or switch indicator that the main
// window shows or hides. It draws nothing but its own fill colour with a
// little shading, so that a pair reads as one lamp that is lit or dark.
#pragma once

#include <QColor>
#include <QWidget>

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

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Form form_;
  QColor fill_;
  bool lit_;
};

}  // namespace scmp
