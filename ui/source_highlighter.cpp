#include "ui/source_highlighter.h"

#include <QPalette>
#include <QTextDocument>

#include "asm/opcode_map.h"
#include "ui/editor_colours.h"

namespace scmp {

namespace {
bool IsWordChar(QChar c) { return c.isLetterOrNumber() || c == '_' || c == '.' || c == '$'; }

QTextCharFormat Coloured(EditorRole role, bool bold = false) {
  QTextCharFormat format;
  format.setForeground(EditorColour(QPalette(), role));
  if (bold) format.setFontWeight(QFont::Bold);
  return format;
}
}  // namespace

SourceHighlighter::SourceHighlighter(const InstructionTable& table, QTextDocument* document)
    : QSyntaxHighlighter(document) {
  for (const InstructionRecord& record : table.records) {
    if (record.IsUndefined()) continue;
    const QString name = QString::fromLatin1(record.Mnemonic.data(), 4).trimmed().toUpper();
    bool two_bytes = false;
    if (!name.isEmpty() && assembler::OpcodeMap::OperationOf(name.toStdString(), &two_bytes) != Op::kNothing)
      mnemonics_.insert(name);
  }
}

void SourceHighlighter::SetDiagnostics(const std::vector<Diagnostic>& diagnostics) {
  by_block_.clear();
  for (const Diagnostic& d : diagnostics)
    if (d.line > 0) by_block_.emplace(d.line - 1, d);
  rehighlight();
}

void SourceHighlighter::highlightBlock(const QString& text) {
  // The comment first: nothing after ';' outside a string is code.
  int end = static_cast<int>(text.size());
  bool in_string = false;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] == '"') in_string = !in_string;
    if (text[i] == '\'' && !in_string && i + 2 < text.size() && text[i + 2] == '\'') i += 2;  // 'c'
    if (text[i] == ';' && !in_string) {
      end = i;
      setFormat(i, static_cast<int>(text.size()) - i, Coloured(EditorRole::kComment));
      break;
    }
  }
  bool first_word = true;
  for (int i = 0; i < end;) {
    const QChar c = text[i];
    if (c == '"') {
      int j = i + 1;
      while (j < end && text[j] != '"') ++j;
      setFormat(i, std::min(j + 1, end) - i, Coloured(EditorRole::kString));
      i = j + 1;
      first_word = false;
      continue;
    }
    if (!IsWordChar(c)) {
      ++i;
      continue;
    }
    int j = i;
    while (j < end && IsWordChar(text[j])) ++j;
    const QString word = text.mid(i, j - i).toUpper();
    if (word.startsWith('.'))
      setFormat(i, j - i, Coloured(EditorRole::kDirective));
    else if (c.isDigit() || c == '$')
      setFormat(i, j - i, Coloured(EditorRole::kNumber));
    else if (mnemonics_.contains(word))
      setFormat(i, j - i, Coloured(EditorRole::kMnemonic, true));
    else if (first_word && (i == 0 || (j < end && text[j] == ':')))
      setFormat(i, j - i, Coloured(EditorRole::kLabel));
    first_word = false;
    i = j;
  }
  const auto [from, to] = by_block_.equal_range(currentBlock().blockNumber());
  for (auto it = from; it != to; ++it) Underline(text, it->second);
}

// From the column the message names to the end of its word (the whole line
// when it names none).
void SourceHighlighter::Underline(const QString& text, const Diagnostic& diagnostic) {
  int start = std::max(0, diagnostic.column - 1);
  if (start >= text.size()) start = 0;
  int stop = start;
  while (stop < text.size() && !text[stop].isSpace()) ++stop;
  if (diagnostic.column <= 0 || stop == start) stop = static_cast<int>(text.size());
  for (int i = start; i < std::max(stop, start + 1); ++i) {
    QTextCharFormat f = format(i);
    f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    f.setUnderlineColor(EditorColour(QPalette(), diagnostic.severity == Severity::kError ? EditorRole::kError
                                                                                           : EditorRole::kWarning));
    setFormat(i, 1, f);
  }
}

}  // namespace scmp
