#include "core/file_identity.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace scmp {

FileIdentity IdentifyFile(const std::string& path) {
  struct stat st {};
  if (!path.empty() && ::stat(path.c_str(), &st) == 0) {
    const bool regular = S_ISREG(st.st_mode);
    return {"inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino),
            regular ? static_cast<long long>(st.st_size) : -1, !regular};
  }
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
  return {"path " + (ec ? absolute.lexically_normal() : resolved).string(), -1, false};
}

}  // namespace scmp
