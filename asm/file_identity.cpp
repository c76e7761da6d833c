#include "asm/file_identity.h"

#include <sys/stat.h>

#include <filesystem>

namespace scmp::assembler {

FileIdentity IdentifyFile(const std::string& path) {
  struct stat st {};
  if (!path.empty() && ::stat(path.c_str(), &st) == 0)
    return {"inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino),
            S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1};
  return {"path " + std::filesystem::path(path).lexically_normal().string(), -1};
}

}  // namespace scmp::assembler
