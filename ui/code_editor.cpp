#include "ui/code_editor.h"

#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QToolTip>

#include "ui/editor_colours.h"

namespace scmp {

namespace {
// The columns the samples line up: label, operation, operand, comment.
constexpr int kTabColumns = 8;

class Margin : public QWidget {
 public:
  explicit Margin(CodeEditor* editor) : QWidget(editor), editor_(editor) {}
  QSize sizeHint() const override { return {editor_->MarginWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override { editor_->PaintMargin(event); }
  void mousePressEvent(QMouseEvent* event) override { editor_->MarginPressed(static_cast<int>(event->position().y())); }
  bool event(QEvent* event) override {
    if (event->type() == QEvent::ToolTip) return editor_->ShowMessages(static_cast<QHelpEvent*>(event));
    return QWidget::event(event);
  }

 private:
  CodeEditor* editor_;
};
}  // namespace

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent), margin_(new Margin(this)) {
  setObjectName("edt_Source");
  setAccessibleName("Source text");
  margin_->setObjectName("pic_SourceMargin");
  margin_->setAccessibleName("Line numbers, breakpoints and marks");
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  setFont(font);
  setTabStopDistance(fontMetrics().horizontalAdvance(QString(kTabColumns, ' ')));
  setLineWrapMode(QPlainTextEdit::NoWrap);
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { setViewportMargins(MarginWidth(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0)
      margin_->scroll(0, dy);
    else
      margin_->update(0, rect.y(), margin_->width(), rect.height());
  });
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] { TintLines(); });
  setViewportMargins(MarginWidth(), 0, 0, 0);
  TintLines();
}

int CodeEditor::MarginWidth() const {
  const int digits = QString::number(std::max(1, blockCount())).size();
  // Digits, then room for a mark and a dot.
  return 8 + fontMetrics().horizontalAdvance('9') * std::max(3, digits) + 2 * fontMetrics().height();
}

void CodeEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect r = contentsRect();
  margin_->setGeometry(QRect(r.left(), r.top(), MarginWidth(), r.height()));
}

void CodeEditor::changeEvent(QEvent* event) {
  QPlainTextEdit::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    TintLines();
    margin_->update();
  }
  // Zoomed: the numbers are wider, and the text must start after them.
  if (event->type() == QEvent::FontChange) {
    setTabStopDistance(fontMetrics().horizontalAdvance(QString(kTabColumns, ' ')));
    setViewportMargins(MarginWidth(), 0, 0, 0);
    const QRect r = contentsRect();
    margin_->setGeometry(QRect(r.left(), r.top(), MarginWidth(), r.height()));
    margin_->update();
  }
}

void CodeEditor::SetDiagnostics(std::vector<Diagnostic> diagnostics) {
  diagnostics_ = std::move(diagnostics);
  margin_->update();
}

std::vector<int> CodeEditor::BreakpointLines() const {
  std::set<int> lines;
  for (const QTextCursor& c : breakpoints_) lines.insert(c.blockNumber() + 1);
  return {lines.begin(), lines.end()};
}

void CodeEditor::SetBreakpointLines(const std::vector<int>& lines) {
  breakpoints_.clear();
  for (const int line : lines) {
    const QTextBlock block = document()->findBlockByNumber(line - 1);
    if (block.isValid()) breakpoints_.emplace_back(block);
  }
  margin_->update();
}

bool CodeEditor::HasBreakpoint(int line) const {
  for (const QTextCursor& c : breakpoints_)
    if (c.blockNumber() + 1 == line) return true;
  return false;
}

void CodeEditor::SetDisabledBreakpointLines(std::set<int> lines) {
  if (lines == disabled_lines_) return;
  disabled_lines_ = std::move(lines);
  margin_->update();
}

void CodeEditor::SetNextLine(int line) {
  if (line == next_line_) return;
  next_line_ = line;
  if (line > 0) {
    const QTextBlock block = document()->findBlockByNumber(line - 1);
    if (block.isValid()) {
      QTextCursor c(block);
      setTextCursor(c);
      ensureCursorVisible();
    }
  }
  TintLines();
  margin_->update();
}

void CodeEditor::GoTo(int line, int column) {
  const QTextBlock block = document()->findBlockByNumber(std::max(0, line - 1));
  if (!block.isValid()) return;
  QTextCursor c(block);
  c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, std::clamp(column - 1, 0, block.length() - 1));
  setTextCursor(c);
  ensureCursorVisible();
  setFocus();
}

// The current line lightly, the next instruction's line more.
void CodeEditor::TintLines() {
  QList<QTextEdit::ExtraSelection> tints;
  QTextEdit::ExtraSelection current;
  current.format.setBackground(EditorColour(palette(), EditorRole::kCurrentLine));
  current.format.setProperty(QTextFormat::FullWidthSelection, true);
  current.cursor = textCursor();
  current.cursor.clearSelection();
  tints.append(current);
  if (next_line_ > 0) {
    const QTextBlock block = document()->findBlockByNumber(next_line_ - 1);
    if (block.isValid()) {
      QTextEdit::ExtraSelection next;
      next.format.setBackground(EditorColour(palette(), EditorRole::kNextLine));
      next.format.setProperty(QTextFormat::FullWidthSelection, true);
      next.cursor = QTextCursor(block);
      tints.append(next);
    }
  }
  setExtraSelections(tints);
}

const Diagnostic* CodeEditor::DiagnosticOn(int line) const {
  const Diagnostic* found = nullptr;
  for (const Diagnostic& d : diagnostics_)
    if (d.line == line && (found == nullptr || d.severity == Severity::kError)) found = &d;
  return found;
}

void CodeEditor::PaintMargin(QPaintEvent* event) {
  QPainter p(margin_);
  p.fillRect(event->rect(), EditorColour(palette(), EditorRole::kMargin));
  const int h = fontMetrics().height();
  const int numbers_right = margin_->width() - 2 * h - 4;
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    if (top > event->rect().bottom()) break;
    if (!block.isVisible()) continue;
    const int line = block.blockNumber() + 1;
    p.setPen(EditorColour(palette(), EditorRole::kLineNumber));
    p.drawText(QRect(0, top, numbers_right, h), Qt::AlignRight | Qt::AlignVCenter, QString::number(line));
    if (const Diagnostic* d = DiagnosticOn(line)) {
      const QColor c = EditorColour(palette(), d->severity == Severity::kError ? EditorRole::kError : EditorRole::kWarning);
      p.setPen(c);
      p.drawText(QRect(numbers_right + 2, top, h, h), Qt::AlignCenter, d->severity == Severity::kError ? "\u2716" : "\u26A0");
    }
    const QRect dot(numbers_right + h + 4, top + 2, h - 4, h - 4);
    if (HasBreakpoint(line)) {
      // A switched-off breakpoint is a ring, as in the Monitor.
      const QColor colour = EditorColour(palette(), EditorRole::kBreakpoint);
      const bool off = disabled_lines_.count(line) > 0;
      p.setRenderHint(QPainter::Antialiasing);
      p.setBrush(off ? QBrush(Qt::NoBrush) : QBrush(colour));
      p.setPen(off ? QPen(colour, 2) : QPen(Qt::NoPen));
      p.drawEllipse(off ? dot.adjusted(1, 1, -1, -1) : dot);
    }
    if (line == next_line_) {
      p.setPen(palette().color(QPalette::Text));
      p.drawText(dot.adjusted(-2, -2, 2, 2), Qt::AlignCenter, "\u25B6");
    }
  }
}

void CodeEditor::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Tab || event->modifiers() != Qt::NoModifier || textCursor().hasSelection()) {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  // The column the cursor stands in, tabs already in the line counted to their stops.
  QTextCursor cursor = textCursor();
  const QString before = cursor.block().text().left(cursor.positionInBlock());
  int column = 0;
  for (const QChar c : before) column = c == '\t' ? (column / kTabColumns + 1) * kTabColumns : column + 1;
  cursor.insertText(QString(kTabColumns - column % kTabColumns, ' '));
  setTextCursor(cursor);
}

void CodeEditor::TrimTrailingBlanks() {
  QTextCursor edit(document());
  bool open = false;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (block.revision() <= unedited_revision_) continue;
    const QString text = block.text();
    int end = static_cast<int>(text.size());
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    if (end == text.size()) continue;
    if (!open) {
      edit.beginEditBlock();
      open = true;
    }
    QTextCursor blanks(block);
    blanks.setPosition(block.position() + end);
    blanks.setPosition(block.position() + static_cast<int>(text.size()), QTextCursor::KeepAnchor);
    blanks.removeSelectedText();
  }
  if (open) edit.endEditBlock();
}

void CodeEditor::MarginPressed(int y) {
  const QTextBlock block = cursorForPosition(QPoint(0, y)).block();
  if (block.isValid()) emit MarginClicked(block.blockNumber() + 1);
}

// The message of a marked line on hover, over the text or the margin.
bool CodeEditor::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) return ShowMessages(static_cast<QHelpEvent*>(event));
  return QPlainTextEdit::viewportEvent(event);
}

bool CodeEditor::ShowMessages(QHelpEvent* help) {
  {
    const int line = cursorForPosition(QPoint(0, help->pos().y())).blockNumber() + 1;
    QStringList messages;
    for (const Diagnostic& d : diagnostics_)
      if (d.line == line)
        messages << QString("%1: %2").arg(SeverityName(d.severity), QString::fromStdString(d.message));
    if (messages.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), messages.join("\n"), this);
    return true;
  }
}

}  // namespace scmp
