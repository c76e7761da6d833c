#include "files/source_file.h"

#include "core/file_reader.h"

namespace scmp {

bool ReadSourceFile(const std::string& path, std::string* text, std::string* error) {
  ChunkedFileReader file;
  std::string reason;
  if (!file.Open(path, &reason)) {
    SetError(error, "Cannot open the source " + Quoted(path) + ": " + reason + ".");
    return false;
  }
  text->clear();
  for (std::string_view chunk = file.Next(); !chunk.empty(); chunk = file.Next()) {
    text->append(chunk);
    if (text->size() > kMaxSourceSize) {
      SetError(error, "The source " + Quoted(path) + " is larger than 16 MB: it is no SC/MP program.");
      return false;
    }
  }
  if (file.Failed()) {
    SetError(error, "Cannot read the source " + Quoted(path) + ": " + file.FailureText() + ".");
    return false;
  }
  return true;
}

}  // namespace scmp
