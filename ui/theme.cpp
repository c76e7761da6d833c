#include "ui/theme.h"

#include <QApplication>
#include <QEvent>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace scmp {

namespace {

ColourRoles BoardColours() {
  ColourRoles c;
  c.led_on = QColor(255, 0, 0);
  // Unlit LEDs dark enough that lit ones stand out at 3:1.
  c.led_off = QColor(100, 0, 0);
  c.flag_on = QColor(0, 255, 0);
  c.flag_off = QColor(29, 112, 33);
  c.switch_on = QColor(255, 255, 128);
  // A switch that is off is grey, not a darker yellow: on and off differ in
  // colour, not only in brightness (and the lit one shows a bar).
  c.switch_off = QColor(72, 72, 68);
  c.run_green = QColor(0, 255, 0);
  c.board_print = QColor(236, 242, 236);
  c.focus = QColor(0, 200, 255);
  c.display_back = QColor(6, 18, 9);
  c.display_text = QColor(134, 255, 158);
  c.display_heading = QColor(79, 174, 98);
  c.cycles_back = QColor(18, 12, 4);
  c.cycles_text = QColor(255, 178, 30);
  return c;
}

ColourRoles MakeLight() {
  ColourRoles c = BoardColours();
  c.strip_top = QColor(0xd9, 0xdc, 0xe0);
  c.strip_bottom = QColor(0xb4, 0xb8, 0xbf);
  c.strip_edge = QColor(0x15, 0x17, 0x1a);
  c.strip_text = QColor(0x14, 0x14, 0x14);
  c.surround = QColor(12, 14, 16);
  c.ram = QColor(255, 255, 255);
  c.port = QColor(214, 232, 255);
  c.absent = QColor(200, 200, 200);
  c.changed = QColor(255, 226, 110);
  c.cell_text = QColor(0, 0, 0);
  c.watched = QColor(200, 0, 0);
  c.next_line = QColor(255, 240, 160);
  c.breakpoint = QColor(210, 0, 0);
  c.flag_set = QColor(0x1e, 0x7a, 0x34);
  c.flag_set_text = QColor(255, 255, 255);
  c.flag_clear_text = QColor(0x60, 0x60, 0x60);
  c.pass_text = QColor(0, 120, 0);
  c.fail_text = QColor(192, 0, 0);
  c.settings_window = QColor(255, 192, 128);
  c.settings_group = QColor(255, 224, 192);
  c.chooser_frame = QColor(192, 192, 192);
  return c;
}

ColourRoles MakeDark() {
  ColourRoles c = BoardColours();
  c.dark = true;
  c.strip_top = QColor(0x56, 0x5b, 0x63);
  c.strip_bottom = QColor(0x2c, 0x2f, 0x34);
  c.strip_edge = QColor(0x05, 0x06, 0x07);
  c.strip_text = QColor(0xe8, 0xe8, 0xe8);
  c.surround = QColor(8, 9, 10);
  c.ram = QColor(0x26, 0x28, 0x2c);
  c.port = QColor(0x1f, 0x33, 0x4d);
  c.absent = QColor(0x44, 0x44, 0x44);
  c.changed = QColor(0x4a, 0x3b, 0x00);
  c.cell_text = QColor(0xee, 0xee, 0xee);
  c.watched = QColor(255, 150, 150);
  c.next_line = QColor(0x4a, 0x3e, 0x0c);
  c.breakpoint = QColor(255, 110, 110);
  c.flag_set = QColor(0x1e, 0x7a, 0x34);
  c.flag_set_text = QColor(255, 255, 255);
  c.flag_clear_text = QColor(0xa0, 0xa0, 0xa0);
  c.pass_text = QColor(110, 220, 110);
  c.fail_text = QColor(255, 130, 130);
  c.settings_window = QColor(0x4a, 0x33, 0x20);
  c.settings_group = QColor(0x5c, 0x42, 0x2c);
  c.chooser_frame = QColor(0x3a, 0x3c, 0x40);
  return c;
}

QPalette DarkPalette() {
  QPalette p;
  const QColor window(0x2b, 0x2d, 0x31), base(0x1e, 0x1f, 0x22), text(0xe6, 0xe6, 0xe6), dim(0x80, 0x80, 0x80);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::ToolTipBase, base);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, dim);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, QColor(0x3a, 0x3d, 0x42));
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, QColor(255, 100, 100));
  p.setColor(QPalette::Light, QColor(0x4a, 0x4d, 0x52));
  p.setColor(QPalette::Midlight, QColor(0x40, 0x43, 0x48));
  p.setColor(QPalette::Mid, QColor(0x30, 0x32, 0x36));
  p.setColor(QPalette::Dark, QColor(0x18, 0x19, 0x1b));
  p.setColor(QPalette::Shadow, Qt::black);
  p.setColor(QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Link, QColor(0x7a, 0xb4, 0xff));
  p.setColor(QPalette::LinkVisited, QColor(0xb4, 0x9a, 0xff));
  for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) p.setColor(QPalette::Disabled, role, dim);
  return p;
}

struct State {
  ThemeChoice choice = ThemeChoice::kSystem;
  QString system_style;    // the style the program started with
  QPalette system_palette;  // and the desktop's palette
  bool recorded = false;
};

State& TheState() {
  static State state;
  return state;
}

bool PaletteIsDark(const QPalette& p) { return p.color(QPalette::Window).lightness() < 128; }

}  // namespace

QPalette ThemePalette(bool dark) {
  if (dark) return DarkPalette();
  static QStyle* const fusion = QStyleFactory::create("Fusion");
  return fusion->standardPalette();
}

const ColourRoles& LightColours() {
  static const ColourRoles c = MakeLight();
  return c;
}

const ColourRoles& DarkColours() {
  static const ColourRoles c = MakeDark();
  return c;
}

const ColourRoles& Colours() {
  switch (TheState().choice) {
    case ThemeChoice::kLight: return LightColours();
    case ThemeChoice::kDark: return DarkColours();
    case ThemeChoice::kSystem: break;
  }
  return qApp != nullptr && PaletteIsDark(QApplication::palette()) ? DarkColours() : LightColours();
}

ThemeChoice CurrentTheme() { return TheState().choice; }

void ApplyTheme(ThemeChoice choice) {
  State& state = TheState();
  ThemeNotifier::Instance();  // listening before the palette changes
  const bool first = !state.recorded;
  if (first) {
    state.system_style = QApplication::style()->name();
    state.system_palette = QApplication::palette();
    state.recorded = true;
  }
  const bool was = state.choice != choice;
  state.choice = choice;
  if (choice == ThemeChoice::kSystem) {
    // The desktop's own look, untouched unless another theme replaced it.
    if (first || !was) return;
    QApplication::setStyle(QStyleFactory::create(state.system_style));
    QApplication::setPalette(state.system_palette);
    return;
  }
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QApplication::setPalette(ThemePalette(choice == ThemeChoice::kDark));
}

QString ThemeKey(ThemeChoice choice) {
  switch (choice) {
    case ThemeChoice::kLight: return "light";
    case ThemeChoice::kDark: return "dark";
    case ThemeChoice::kSystem: break;
  }
  return "system";
}

ThemeChoice ThemeFromKey(const QString& key) {
  if (key == "light") return ThemeChoice::kLight;
  if (key == "dark") return ThemeChoice::kDark;
  return ThemeChoice::kSystem;
}

ThemeNotifier* ThemeNotifier::Instance() {
  static ThemeNotifier* notifier = [] {
    auto* n = new ThemeNotifier(qApp);
    qApp->installEventFilter(n);
    return n;
  }();
  return notifier;
}

bool ThemeNotifier::eventFilter(QObject* watched, QEvent* event) {
  // The application receives one ApplicationPaletteChange per change; the
  // views hear of it once the widgets have their new palettes.
  if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange && !pending_) {
    pending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          pending_ = false;
          emit Changed();
        },
        Qt::QueuedConnection);
  }
  return false;
}

}  // namespace scmp
