#include "ui/panel_keys.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextEdit>

namespace scmp {

namespace {

constexpr const char* kLicence =
    "MIT licence. Copyright (c) The SC/MP Trainer authors. The program may be used, copied, changed and "
    "passed on freely, provided the copyright notice and the licence go with it; it comes without any "
    "warranty. The full text is in the LICENSE file.";

QString KeyName(const QKeySequence& key) { return key.toString(QKeySequence::NativeText); }

std::vector<PanelKey> MakeKeys() {
  std::vector<PanelKey> keys;
  const char* hex = "0123456789AB";
  for (int i = 0; i < 8; ++i)
    keys.push_back({QString("cmd_D_sw_%1").arg(i), QString("Data switch %1").arg(i), {QKeySequence(Qt::Key_0 + i)}});
  for (int i = 0; i < 12; ++i)
    keys.push_back({QString("cmd_A_Sw_%1").arg(i), QString("Address switch %1").arg(QChar(hex[i])),
                    {QKeySequence(Qt::Key_F1 + i)}});
  keys.push_back({"cmd_A_Plus", "Address + (A+)", {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)}});
  keys.push_back({"cmd_A_min", "Address - (A\u2212)", {QKeySequence(Qt::Key_Minus)}});
  keys.push_back({"cmd_Latch", "Latch", {QKeySequence(Qt::Key_L)}});
  keys.push_back({"cmd_Reset", "RST", {QKeySequence(Qt::Key_R)}});
  keys.push_back({"cmd_Halt", "HLT", {QKeySequence(Qt::Key_H)}});
  keys.push_back({"cmd_SST", "SST", {QKeySequence(Qt::Key_S)}});
  keys.push_back({"cmd_Run", "Run / Prgm", {QKeySequence(Qt::Key_P)}});
  keys.push_back({"cmd_Single_Step", "Step/Start", {QKeySequence(Qt::Key_Space)}});
  return keys;
}

}  // namespace

const std::vector<PanelKey>& PanelKeys() {
  static const std::vector<PanelKey> keys = MakeKeys();
  return keys;
}

PanelKeysElsewhere::PanelKeysElsewhere(QWidget* panel) : QObject(panel), panel_(panel) {
  qApp->installEventFilter(this);
}

namespace {
bool EditsText(const QWidget* w) {
  if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->isEditable();
  return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
         qobject_cast<const QTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}
}  // namespace

bool PanelKeysElsewhere::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || QApplication::activeModalWidget() != nullptr) return false;
  auto* target = qobject_cast<QWidget*>(watched);
  QWidget* focus = QApplication::focusWidget();
  // Once per key: at the widget that has the focus (or the window without one).
  if (target == nullptr || target != (focus ? focus : target->window()) || target->window() == panel_ ||
      EditsText(target))
    return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  // Space presses a focused button of that window, as everywhere else.
  if (key->key() == Qt::Key_Space && qobject_cast<QAbstractButton*>(target)) return false;
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
  const QKeySequence pressed(key->key());
  for (const PanelKey& panel_key : PanelKeys()) {
    for (const QKeySequence& sequence : panel_key.keys) {
      if (sequence != pressed || (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F35)) continue;
      auto* button = panel_->findChild<QAbstractButton*>(panel_key.button);
      if (button == nullptr || !button->isEnabled()) return false;
      button->click();
      return true;
    }
  }
  return false;
}

QString KeyTooltip(const PanelKey& key) { return QString("%1 (key %2)").arg(key.what, KeyName(key.keys.front())); }

QString KeyboardHelpText() {
  QString text;
  for (const PanelKey& key : PanelKeys()) {
    QStringList names;
    for (const QKeySequence& k : key.keys) names << KeyName(k);
    text += QString("%1\t%2\n").arg(names.join(" or "), key.what);
  }
  text += "\nDuring a run the switch keys, HLT and SST work; the others wait until the run ends.";
  return text;
}

QString AboutText(const std::string& data_dir) {
  return QString(
             "SC/MP Trainer %1\n\n"
             "An emulator of a single-board trainer built round the National Semiconductor SC/MP (INS8060).\n\n"
             "Licence: %2\n\n"
             "Data folder in use: %3")
      .arg(SCMP_VERSION, kLicence, QString::fromLocal8Bit(data_dir.c_str()));
}

}  // namespace scmp
