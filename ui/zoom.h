// Zoom in every window of the program: Ctrl+Plus, Ctrl+Minus and Ctrl+0,
// and Ctrl with the mouse wheel, act on the window they are pressed in. A
// window's fonts grow by default, and a window of fixed size grows as a
// whole; a window can hand in a way of its own (the panel grows its
// window, and the board with it). Each window's level
// is kept by its object name, and applied when the window is first shown.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QTableView;
class QWidget;

namespace scmp {

class Zoom : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMinLevel = -3;
  static constexpr int kMaxLevel = 8;
  // The scale of a level: 1 at level 0, about 15% more each step up.
  static double Factor(int level);

  // The one instance, watching every window of the application.
  static Zoom* Instance();

  int Level(const QString& window_name) const { return levels_.value(window_name, 0); }
  // Sets the level of the window of that name, applied now if it is shown
  // and otherwise when it is.
  void SetLevel(const QString& window_name, int level);
  // One step in (+1), out (-1), or back to level 0 (0), for `window`.
  void Step(QWidget* window, int direction);
  // How `window` shows a scale instead of growing its fonts.
  void SetHandler(QWidget* window, std::function<void(double)> handler);

 signals:
  void LevelChanged(const QString& window_name, int level);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
  void Apply(QWidget* window);
  QHash<QString, int> levels_;
};

// Sets every font in `root` to `factor` times the one it had when first
// scaled.
void ScaleFonts(QWidget* root, double factor);
// Keeps `table`'s columns `chars[i]` digits wide in its own font (at least
// as wide as their headings), now and after every change of its font, so
// that zooming never cuts a cell to "...".
void FitColumnsToFont(QTableView* table, const std::vector<int>& chars);
// Keeps a box's maximum width at `chars` digits of its font, likewise.
void FitWidthToFont(QWidget* box, int chars);

// For a window of fixed size whose widgets sit at fixed places (the
// settings and file windows): every place, size and font times `factor`.
void ScaleFixedWindow(QWidget* window, double factor);

}  // namespace scmp
