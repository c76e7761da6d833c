#include "ui/keyboard_help.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace scmp {

void ShowKeyboardHelp(QWidget* parent, const QString& text) {
  QDialog dialog(parent);
  dialog.setObjectName("frm_Keyboard");
  dialog.setAccessibleName("Keyboard");
  dialog.setWindowTitle("Keyboard");
  auto* list = new QPlainTextEdit(text, &dialog);
  list->setObjectName("txt_Keyboard");
  list->setAccessibleName("Keys");
  list->setReadOnly(true);
  list->setTabStopDistance(list->fontMetrics().horizontalAdvance(QString(16, 'x')));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  buttons->setObjectName("btn_KeyboardClose");
  buttons->setAccessibleName("Close");
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(list, 1);
  layout->addWidget(buttons);
  // As tall as the list, but within the screen (with room for a title bar).
  const QScreen* screen = parent != nullptr ? parent->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  const int room = screen != nullptr ? screen->availableGeometry().height() - 80 : 600;
  const int wanted = list->fontMetrics().lineSpacing() * (static_cast<int>(text.count('\n')) + 4);
  dialog.resize(list->fontMetrics().horizontalAdvance(QString(60, 'x')), std::max(200, std::min(wanted, room)));
  list->setFocus();
  dialog.exec();
}

}  // namespace scmp
