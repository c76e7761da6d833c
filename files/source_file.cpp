#include "files/source_file.h"

#include "core/file_reader.h"

namespace scmp {

bool ReadSourceFile(const std::string& path, std::string* text, std::string* error) {
  std::string reason;
  if (ReadWholeFile(path, kMaxSourceSize, text, &reason)) return true;
  SetError(error, "Cannot read the source " + Quoted(path) + ": " + reason + ".");
  return false;
}

}  // namespace scmp
