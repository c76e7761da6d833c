#include "ui/diagnostics_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace scmp {

DiagnosticsDialog::DiagnosticsDialog(const SourceLoad& result, QWidget* parent) : QDialog(parent) {
  setObjectName("frm_Diagnostics");
  setWindowTitle("Assemble Source");
  setModal(true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* summary = new QLabel(QString::fromLocal8Bit(result.error.c_str()), this);
  summary->setObjectName("lbl_Diagnostics");
  summary->setWordWrap(true);
  summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

  QStringList lines;
  for (const Diagnostic& d : result.diagnostics) lines.append(QString::fromLocal8Bit(FormatDiagnostic(d).c_str()));
  text_ = new QPlainTextEdit(lines.join('\n'), this);
  text_->setObjectName("txt_Diagnostics");
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  auto* copy = new QPushButton("&Copy", this);
  copy->setObjectName("cmd_Diagnostics_Copy");
  copy->setAutoDefault(false);
  auto* close = new QPushButton("Close", this);
  close->setObjectName("cmd_Diagnostics_Close");
  close->setDefault(true);
  connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(Text()); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(copy);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary);
  layout->addWidget(text_, 1);
  layout->addLayout(buttons);

  // Wide enough for the longest diagnostic, as far as the screen allows.
  int widest = 0;
  for (const QString& line : lines) widest = std::max(widest, text_->fontMetrics().horizontalAdvance(line));
  resize(std::clamp(widest + 60, 640, 1100), 300);
}

QString DiagnosticsDialog::Text() const { return text_->toPlainText(); }

}  // namespace scmp
