// The keyboard of the front panel: one key for every control, named in the
// buttons' tooltips and listed by Help > Keyboard; and the About text.
#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace scmp {

struct PanelKey {
  QString button;  // object name of the button the key clicks
  QString what;    // the control, as the tooltip and the list name it
  std::vector<QKeySequence> keys;  // the first is the one named
};

// Every control of the panel with its keys.
const std::vector<PanelKey>& PanelKeys();

// The panel's keys (but the F keys, which the editor and the Monitor use
// for the run control) in the program's other windows, unless the key goes
// to a text field: installed on the application, it clicks the panel's
// button as the panel's own key does.
class PanelKeysElsewhere : public QObject {
 public:
  explicit PanelKeysElsewhere(QWidget* panel);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* panel_;
};

// "Data switch 3 (key 3)".
QString KeyTooltip(const PanelKey& key);
// Help > Keyboard: every control and its key, one a line.
QString KeyboardHelpText();
// Help > About: the version, the licence and the data folder in use.
QString AboutText(const std::string& data_dir);

}  // namespace scmp
