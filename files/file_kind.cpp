#include "files/file_kind.h"

#include <cctype>
#include <filesystem>

namespace scmp {

FileKind KindOfFile(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".s") return FileKind::kSource;
  if (ext == ".asm") return FileKind::kListing;
  if (ext == ".ram") return FileKind::kMemoryImage;
  if (ext == ".hex" || ext == ".ihx" || ext == ".ihex") return FileKind::kIntelHex;
  if (ext == ".state") return FileKind::kSavedState;
  return FileKind::kUnknown;
}

}  // namespace scmp
