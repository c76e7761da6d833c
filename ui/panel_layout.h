// Where everything sits on the front panel. Positions are kept in twips
// (1/1440 inch) as the board's drawings give them and turned into pixels at
// 96 dpi, 15 twips to the pixel; Qt scales pixels for other screens.
#pragma once

#include <QRect>
#include <array>

namespace scmp::layout {

constexpr int Px(int twips) { return (twips + 7) / 15; }
inline QRect Tw(int left, int top, int width, int height) {
  return QRect(Px(left), Px(top), Px(width), Px(height));
}

// The client area of the main window.
constexpr int kClientWidth = 8865;
constexpr int kClientHeight = 6135;

// Left column: buttons and the lamps to their left.
inline QRect ResetButton() { return Tw(615, 270, 915, 492); }
inline QRect HaltButton() { return Tw(630, 1080, 852, 492); }
inline QRect HaltLedOn() { return Tw(180, 1125, 255, 255); }
inline QRect HaltLedOff() { return Tw(210, 1125, 255, 255); }
inline QRect RunButton() { return Tw(630, 1920, 852, 780); }
inline QRect RunLed() { return Tw(180, 2115, 255, 255); }
inline QRect SstButton() { return Tw(630, 3060, 852, 552); }
inline QRect SstLed() { return Tw(180, 3150, 255, 255); }
inline QRect LatchButton() { return Tw(630, 3960, 852, 552); }
inline QRect PlusButton() { return Tw(2805, 3960, 192, 240); }
inline QRect MinusButton() { return Tw(2805, 4260, 192, 252); }

// Switch rows: the lamp straight above its button. Index i is bit i.
constexpr int kSwitchButtonTop = 4260;
constexpr int kSwitchButtonSize = 252;
constexpr int kSwitchLampTop = 3960;
constexpr int kSwitchLampSize = 255;
constexpr std::array<int, 12> kAddressSwitchLeft = {5805, 5565, 5325, 5085, 4785, 4545,
                                                    4305, 4065, 3765, 3525, 3285, 3045};
constexpr std::array<int, 8> kDataSwitchLeft = {8295, 8055, 7815, 7575, 7275, 7035, 6795, 6555};
inline QRect AddressSwitchButton(int i) {
  return Tw(kAddressSwitchLeft[i], kSwitchButtonTop, kSwitchButtonSize, kSwitchButtonSize);
}
inline QRect AddressSwitchLamp(int i) {
  return Tw(kAddressSwitchLeft[i], kSwitchLampTop, kSwitchLampSize, kSwitchLampSize);
}
inline QRect DataSwitchButton(int i) {
  return Tw(kDataSwitchLeft[i], kSwitchButtonTop, kSwitchButtonSize, kSwitchButtonSize);
}
inline QRect DataSwitchLamp(int i) { return Tw(kDataSwitchLeft[i], kSwitchLampTop, kSwitchLampSize, kSwitchLampSize); }

// Data LEDs and the flag LEDs above LEDs 2, 1 and 0.
constexpr int kLedSize = 375;
constexpr int kLedTop = 900;
constexpr int kFlagLedTop = 330;
constexpr std::array<int, 8> kLedLeft = {8115, 7635, 7155, 6675, 5940, 5460, 4980, 4500};
constexpr std::array<int, 3> kFlagLedLeft = {8115, 7635, 7155};
inline QRect Led(int i) { return Tw(kLedLeft[i], kLedTop, kLedSize, kLedSize); }
inline QRect FlagLed(int i) { return Tw(kFlagLedLeft[i], kFlagLedTop, kLedSize, kLedSize); }

// The lower strip and what it holds, relative to the strip.
inline QRect DebugStrip() { return Tw(0, 4680, 8850, 1620); }
constexpr std::array<int, 4> kStatusLabelTop = {105, 420, 735, 1050};  // Delay, Trace, Pause, Speed
inline QRect StatusLabel(int row) { return Tw(210, kStatusLabelTop[row], 1485, 330); }
inline QRect StepStartButton() { return Tw(2100, 105, 2115, 552); }
inline QRect RateLabel() { return Tw(2100, 735, 2115, 330); }  // the speed, under Step/Start
inline QRect RegisterDisplay() { return Tw(4410, 105, 2850, 1275); }
inline QRect RemainCaption() { return Tw(7350, 420, 1440, 330); }
inline QRect CyclesLabel() { return Tw(7035, 945, 1590, 330); }

// The register display's grid, relative to the display.
constexpr int kGridRow = 240;
constexpr int kGridCol1 = 0, kGridCol2 = 780, kGridCol3 = 1320, kGridCol4 = 1860;
constexpr int kGridCol1Width = 732, kGridCol3Width = 492;
constexpr std::array<int, 3> kGridCharCol = {1860, 2160, 2460};

}  // namespace scmp::layout
