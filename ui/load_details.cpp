#include "ui/load_details.h"

#include <QMessageBox>

namespace scmp {

void ShowLoadDetails(QWidget* parent, const FileLoad& load) {
  if (!load.loaded || load.lines.size() < 2) return;
  QString text;
  for (const std::string& line : load.lines) text += QString::fromLocal8Bit(line.c_str()) + "\n";
  auto* box = new QMessageBox(QMessageBox::Information, "Load report", text.trimmed(), QMessageBox::Ok, parent);
  box->setObjectName("msg_LoadReport");
  box->setAccessibleName("Load report");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace scmp
