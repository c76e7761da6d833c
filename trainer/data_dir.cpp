#include "trainer/data_dir.h"

#include <filesystem>

namespace scmp {

namespace {
std::string WithSeparator(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}
}  // namespace

std::string ResolveDataDir(const std::string& option_dir, const char* env_dir, const std::string& exe_path) {
  if (!option_dir.empty()) return WithSeparator(option_dir);
  if (env_dir != nullptr && *env_dir != '\0') return WithSeparator(env_dir);
  std::filesystem::path exe(exe_path);
  std::error_code ec;
  std::filesystem::path resolved = std::filesystem::canonical(exe, ec);
  if (ec) resolved = std::filesystem::absolute(exe, ec);
  return WithSeparator((resolved.parent_path() / "Scmp").string());
}

}  // namespace scmp
