// The colours of a source text: mnemonics (the operations the loaded
// instruction file knows, looked up in a set), directives, labels, numbers,
// strings and comments; last, a wavy underline where the assembler reported
// an error or a warning.
#pragma once

#include <QSet>
#include <QSyntaxHighlighter>
#include <map>
#include <vector>

#include "asm/assembler.h"
#include "core/table.h"

namespace scmp {

class SourceHighlighter : public QSyntaxHighlighter {
 public:
  SourceHighlighter(const InstructionTable& table, QTextDocument* document);
  // The marks of the last assembly (1-based lines); redraws.
  void SetDiagnostics(const std::vector<Diagnostic>& diagnostics);
  // After a palette change.
  void Recolour() { rehighlight(); }

 protected:
  void highlightBlock(const QString& text) override;

 private:
  void Underline(const QString& text, const Diagnostic& diagnostic);

  QSet<QString> mnemonics_;  // upper case
  std::multimap<int, Diagnostic> by_block_;  // 0-based block
};

}  // namespace scmp
