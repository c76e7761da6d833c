// The source text with its margin: line numbers, error and warning marks,
// breakpoint dots and the marker of the next instruction, all painted from
// plain line numbers (1-based, converted to blocks only here). The current
// line is tinted; the next instruction's line too.
#pragma once

#include <QPlainTextEdit>
#include <QTextCursor>

class QHelpEvent;
#include <set>
#include <vector>

#include "asm/assembler.h"

namespace scmp {

class CodeEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CodeEditor(QWidget* parent = nullptr);

  void SetDiagnostics(std::vector<Diagnostic> diagnostics);
  const std::vector<Diagnostic>& Diagnostics() const { return diagnostics_; }
  // Breakpoint lines follow their text as lines are inserted or removed above them.
  std::vector<int> BreakpointLines() const;
  void SetBreakpointLines(const std::vector<int>& lines);
  bool HasBreakpoint(int line) const;
  // Lines whose breakpoint is switched off: a hollow dot.
  void SetDisabledBreakpointLines(std::set<int> lines);
  // 0: no marker.
  void SetNextLine(int line);
  int NextLine() const { return next_line_; }
  int CurrentLine() const { return textCursor().blockNumber() + 1; }
  void GoTo(int line, int column);
  // Blanks at the ends of the lines edited since MarkUnedited removed (one
  // undo step): what Tab left after the last word of a line is not saved,
  // and a line the user did not touch is saved as it was read.
  void TrimTrailingBlanks();
  void MarkUnedited() { unedited_revision_ = document()->revision(); }
  // The margin's width and painting, for the margin widget.
  int MarginWidth() const;
  void PaintMargin(QPaintEvent* event);
  void MarginPressed(int y);
  // The messages of the line at `help`'s height as a tooltip.
  bool ShowMessages(QHelpEvent* help);

 signals:
  void MarginClicked(int line);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  // Tab moves to the next column stop with spaces.
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void TintLines();
  const Diagnostic* DiagnosticOn(int line) const;

  QWidget* margin_;
  std::vector<Diagnostic> diagnostics_;
  std::vector<QTextCursor> breakpoints_;  // at the start of their blocks
  int next_line_ = 0;
  std::set<int> disabled_lines_;
  int unedited_revision_ = 0;  // the document's revision when its text was set
};

}  // namespace scmp
