#include "files/source_file.h"

#include "core/file_reader.h"

namespace scmp {

bool ReadSourceFile(const std::string& path, std::string* text, std::string* error) {
  std::string reason;
  if (ReadWholeFile(path, kMaxSourceSize, text, &reason)) return true;
  SetError(error, "Cannot read the source " + Quoted(path) + ": " + reason + ".");
  return false;
}

SourceReader RecordingSourceReader(std::vector<std::string>* opened) {
  return [opened](const std::string& path, std::string* text, std::string* error) {
    // Noted before reading: a file that failed half-way was opened too.
    opened->push_back(path);
    return ReadSourceFile(path, text, error);
  };
}

}  // namespace scmp
