// The editor's text to and from its file, so that the bytes the user did
// not change stay as they were: the file's line ends and encoding are read
// with it and used again when it is saved (files/editable_text.h).
#pragma once

#include <QString>
#include <string>

#include "files/editable_text.h"

class QTextDocument;

namespace scmp {

struct SourceFormat {
  LineEnd line_end = LineEnd::kLf;
  TextEncoding encoding = TextEncoding::kUtf8;
  bool byte_order_mark = false;
};

// Reads `path` into `text` (line ends "\n") and its format. False with
// `error` ("it is not a text file", "it is a folder", ...) when it is no
// text the editor may open; `note` says what saving will do to a file
// whose line ends are mixed, else it is empty.
bool ReadSourceText(const QString& path, QString* text, SourceFormat* format, QString* error, QString* note);

// `text` (line ends "\n") as the file's bytes in `format`. False with the
// number of the first line holding a character the file's encoding cannot
// hold.
bool SourceBytes(const QString& text, const SourceFormat& format, std::string* bytes, int* bad_line);

// The document's text as typed: no-break spaces stay (toPlainText makes
// them spaces) and paragraph ends are "\n".
QString DocumentText(const QTextDocument& document);

}  // namespace scmp
