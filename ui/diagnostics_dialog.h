// The window that a source with errors brings up: what went wrong in one
// line, then every diagnostic as FILE:LINE:COL: error: message in a
// read-only text box, so that the user can select and copy them (or copy all
// with one button) and jump to them in an editor.
#pragma once

#include <QDialog>

#include "trainer/panel_model.h"

class QPlainTextEdit;

namespace scmp {

class DiagnosticsDialog : public QDialog {
  Q_OBJECT

 public:
  DiagnosticsDialog(const SourceLoad& result, QWidget* parent);

  // The diagnostics as shown, one a line.
  QString Text() const;

 private:
  QPlainTextEdit* text_ = nullptr;
};

}  // namespace scmp
