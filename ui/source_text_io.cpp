#include "ui/source_text_io.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

namespace scmp {

bool ReadSourceText(const QString& path, QString* text, SourceFormat* format, QString* error, QString* note) {
  EditableText file;
  std::string reason;
  if (!ReadEditableText(QFile::encodeName(path).toStdString(), &file, &reason)) {
    *error = QString::fromStdString(reason);
    return false;
  }
  const auto size = static_cast<qsizetype>(file.text.size());
  *text = file.encoding == TextEncoding::kUtf8 ? QString::fromUtf8(file.text.data(), size)
                                               : QString::fromLatin1(file.text.data(), size);
  *format = {file.line_end, file.encoding, file.byte_order_mark};
  note->clear();
  if (file.mixed_line_ends)
    *note = QString("%1 mixes line ends: saving it after an edit writes %2 at the end of every line.")
                .arg(QFileInfo(path).fileName(), LineEndName(file.line_end));
  return true;
}

bool SourceBytes(const QString& text, const SourceFormat& format, std::string* bytes, int* bad_line) {
  QByteArray encoded;
  if (format.encoding == TextEncoding::kUtf8) {
    encoded = text.toUtf8();
  } else {
    // One byte a character, as the file was read: a character past U+00FF
    // has no byte, and toLatin1 would write "?" in its place.
    int line = 1;
    for (const QChar c : text) {
      if (c == '\n') ++line;
      if (c.unicode() > 0xFF) {
        *bad_line = line;
        return false;
      }
    }
    encoded = text.toLatin1();
  }
  *bytes = (format.byte_order_mark ? "\xEF\xBB\xBF" : "") +
           WithLineEnds(std::string_view(encoded.constData(), static_cast<size_t>(encoded.size())), format.line_end);
  return true;
}

QString DocumentText(const QTextDocument& document) {
  QString text = document.toRawText();
  text.replace(QChar::ParagraphSeparator, '\n');
  return text;
}

}  // namespace scmp
