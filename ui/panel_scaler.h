// Scaling of the front panel: the panel is built at one size, in pixels;
// when the window grows, every widget on it keeps its place, size, font and
// the lengths in its style sheet in proportion, so that the whole panel
// looks the same, only larger.
#pragma once

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

namespace scmp {

class PanelScaler {
 public:
  // Records `panel` and everything on it at the size they have now: the
  // size that scale 1 stands for.
  explicit PanelScaler(QWidget* panel);

  QSize BaseSize() const { return base_size_; }
  double Scale() const { return scale_; }
  // Places the panel at `origin` in its parent at `scale` times its base
  // size, with everything on it likewise.
  void ScaleTo(QPoint origin, double scale);

  // Gives `widget` a new style sheet at scale 1, applied at the current scale.
  void Restyle(QWidget* widget, const QString& style);

  // A length of the base size at the current scale, for widgets that paint
  // at positions of their own.
  static int Scaled(const QWidget* w, int base_length);

 private:
  struct Base {
    QPointer<QWidget> widget;
    QRect rect;
    QFont font;
    QString style;
  };
  QPointer<QWidget> panel_;
  QSize base_size_;
  std::vector<Base> widgets_;
  double scale_ = 1.0;
};

// The central widget of the main window: a dark surround that keeps the
// panel in the middle at the largest scale that fits, never below 1.
class ScaledPanelFrame : public QWidget {
 public:
  ScaledPanelFrame(QWidget* panel, QWidget* parent);
  // Records the panel as it is built; call once everything is on it.
  void FinishBuilding();
  const PanelScaler* Scaler() const { return scaler_.get(); }
  PanelScaler* Scaler() { return scaler_.get(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget* panel_;
  std::unique_ptr<PanelScaler> scaler_;
};

}  // namespace scmp
