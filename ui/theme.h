// The program's colours: one set of colour roles for a light and one for a
// dark theme, read by every painter and style sheet, and the choice of
// theme (the system's, light or dark) applied through the application's
// palette so that widgets drawn from palette() follow by themselves.
#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QString>

namespace scmp {

enum class ThemeChoice { kSystem, kLight, kDark };

struct ColourRoles {
  bool dark = false;
  // The strip below the board and what sits on it.
  QColor strip_top, strip_bottom, strip_edge, strip_text;
  QColor display_back, display_text, display_heading;
  QColor cycles_back, cycles_text;
  // The ring round the control that has the keyboard focus.
  QColor focus;
  // The board's lamps and printing: the board stays a board in either theme.
  QColor led_on, led_off, flag_on, flag_off, switch_on, switch_off, run_green, board_print;
  QColor surround;  // round the board when the window is larger
  // The Monitor's cells and marks.
  QColor ram, port, absent, changed, cell_text, watched, next_line, breakpoint, flag_set, flag_set_text,
      flag_clear_text;
  // A passed and a failed test's result word.
  QColor pass_text, fail_text;
  // The settings window and the file windows' frames.
  QColor settings_window, settings_group, chooser_frame;
};

const ColourRoles& LightColours();
const ColourRoles& DarkColours();
// The set in use: the dark one in the dark theme, or under the system's
// theme when its palette is dark.
const ColourRoles& Colours();

// The application palette of the light or the dark theme, as ApplyTheme
// sets it (what the editor's colours are derived from).
QPalette ThemePalette(bool dark);

ThemeChoice CurrentTheme();
// Sets the style and palette of the whole program. Light and Dark use the
// Fusion style with a palette of their own; System goes back to the style
// and palette the program started with.
void ApplyTheme(ThemeChoice choice);

// "system", "light", "dark", for settings; unknown words read as System.
QString ThemeKey(ThemeChoice choice);
ThemeChoice ThemeFromKey(const QString& key);

// Emits Changed once, queued, after the application's palette changed (by
// ApplyTheme or by the desktop), so that views whose colours do not come
// from palette() restyle themselves.
class ThemeNotifier : public QObject {
  Q_OBJECT

 public:
  static ThemeNotifier* Instance();

 signals:
  void Changed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  using QObject::QObject;
  bool pending_ = false;
};

}  // namespace scmp
