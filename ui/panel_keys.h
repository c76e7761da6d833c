// The keyboard of the front panel: one key for every control, named in the
// buttons' tooltips and listed by Help > Keyboard; and the About text.
#pragma once

#include <QKeySequence>
#include <QString>
#include <string>
#include <vector>

namespace scmp {

struct PanelKey {
  QString button;  // object name of the button the key clicks
  QString what;    // the control, as the tooltip and the list name it
  std::vector<QKeySequence> keys;  // the first is the one named
};

// Every control of the panel with its keys.
const std::vector<PanelKey>& PanelKeys();

// "Data switch 3 (key 3)".
QString KeyTooltip(const PanelKey& key);
// Help > Keyboard: every control and its key, one a line.
QString KeyboardHelpText();
// Help > About: the version, the licence and the data folder in use.
QString AboutText(const std::string& data_dir);

}  // namespace scmp
