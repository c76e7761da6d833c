#include "trainer/data_dir.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/file_reader.h"

// The installed data folder of the install prefix, set by the build; the
// fallback when the executable does not sit in <prefix>/bin.
#ifndef SCMP_INSTALLED_DATA_DIR
#define SCMP_INSTALLED_DATA_DIR ""
#endif

namespace fs = std::filesystem;

namespace scmp {

namespace {

constexpr const char* kTableName = "SCMP.DEL";

std::string WithSeparator(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string Text(const char* value) { return value != nullptr ? value : ""; }

bool HasTable(const fs::path& dir) {
  std::error_code ec;
  return fs::is_regular_file(dir / kTableName, ec);
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

fs::path WithoutTrailingSeparator(const fs::path& path) {
  fs::path normal = path.lexically_normal();
  return normal.has_filename() || normal == normal.root_path() ? normal : normal.parent_path();
}

fs::path ExecutableDir(const std::string& exe_path) {
  std::error_code ec;
  fs::path resolved = fs::canonical(exe_path, ec);
  if (ec) resolved = fs::absolute(exe_path, ec);
  return resolved.parent_path();
}

fs::path BesideExecutable(const DataDirPlaces& places) { return ExecutableDir(places.exe_path) / "Scmp"; }

// $XDG_DATA_HOME/scmp-trainer, else ~/.local/share/scmp-trainer; empty
// without either. A relative XDG_DATA_HOME is invalid and ignored.
fs::path UserCopyDir(const DataDirPlaces& places) {
  if (!places.xdg_data_home.empty() && places.xdg_data_home.front() == '/')
    return WithoutTrailingSeparator(places.xdg_data_home) / "scmp-trainer";
  if (!places.home.empty()) return WithoutTrailingSeparator(places.home) / ".local" / "share" / "scmp-trainer";
  return {};
}

// <prefix>/share/scmp-trainer for the prefix the executable is in (wherever
// `cmake --install --prefix` or the package put it), then the one given at
// build time.
std::vector<fs::path> InstalledDirs(const DataDirPlaces& places) {
  std::vector<fs::path> dirs{
      WithoutTrailingSeparator(ExecutableDir(places.exe_path).parent_path() / "share" / "scmp-trainer")};
  if (!places.built_in_dir.empty()) {
    const fs::path built_in = WithoutTrailingSeparator(places.built_in_dir);
    if (built_in != dirs.front()) dirs.push_back(built_in);
  }
  return dirs;
}

struct CopyResult {
  bool ok = false;
  std::string what;    // "SCMP.DEL, Samples/ (12 files)"
  std::string reason;  // why it failed
};

// Lets the user change the copied files even where the installed ones are
// read-only.
void MakeOwnerWritable(const fs::path& path, std::error_code& ec) {
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
}

// Copies `from` to `to`, whole or not at all: into a sibling folder first,
// renamed into place at the end, so that an interrupted first start leaves
// no half copy that later starts would take for the user's own.
CopyResult CopyFolderWhole(const fs::path& from, const fs::path& to) {
  CopyResult result;
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  if (ec) {
    result.reason = "cannot make " + Quoted(to.parent_path().string()) + ": " + ec.message();
    return result;
  }
  const fs::path partial = to.parent_path() / (to.filename().string() + ".partial-" + std::to_string(::getpid()));
  fs::remove_all(partial, ec);
  fs::copy(from, partial, fs::copy_options::recursive, ec);
  int files = 0;
  std::vector<std::string> top;
  for (auto it = fs::recursive_directory_iterator(partial, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    MakeOwnerWritable(it->path(), ec);
    if (ec) break;
    if (it->is_regular_file()) ++files;
    if (it.depth() == 0) top.push_back(it->path().filename().string() + (it->is_directory() ? "/" : ""));
  }
  if (!ec) fs::rename(partial, to, ec);
  if (ec) {
    result.reason = ec.message();
    std::error_code ignored;
    fs::remove_all(partial, ignored);
    return result;
  }
  std::sort(top.begin(), top.end());
  for (const std::string& name : top) result.what += (result.what.empty() ? "" : ", ") + name;
  result.what += " (" + std::to_string(files) + (files == 1 ? " file)" : " files)");
  result.ok = true;
  return result;
}

void AddTried(std::string& list, const fs::path& dir, const char* what) {
  list += "\n  " + Quoted((dir / kTableName).string()) + " (" + what + ")";
}

std::string NotFoundError(const std::string& tried, const std::string& hint) {
  return "No data folder with " + std::string(kTableName) + " was found. Places tried:" + tried + hint +
         "\nName a data folder with --dir DIR or the SCMP_DIR variable.";
}

}  // namespace

DataDirPlaces DataDirPlacesFromEnvironment(const std::string& option_dir, const std::string& exe_path) {
  DataDirPlaces places;
  places.option_dir = option_dir;
  places.env_dir = Text(std::getenv("SCMP_DIR"));
  places.exe_path = exe_path;
  places.xdg_data_home = Text(std::getenv("XDG_DATA_HOME"));
  places.home = Text(std::getenv("HOME"));
  places.built_in_dir = SCMP_INSTALLED_DATA_DIR;
  return places;
}

std::string FindDataDir(const DataDirPlaces& places, std::ostream& notes, std::string* error) {
  if (!places.option_dir.empty()) return WithSeparator(places.option_dir);
  if (!places.env_dir.empty()) return WithSeparator(places.env_dir);

  std::string tried;
  const fs::path beside = BesideExecutable(places);
  if (HasTable(beside)) return WithSeparator(beside.string());
  AddTried(tried, beside, "the Scmp folder beside the program");

  fs::path installed;
  for (const fs::path& dir : InstalledDirs(places)) {
    if (installed.empty() && HasTable(dir)) installed = dir;
  }

  const fs::path user = UserCopyDir(places);
  if (!user.empty() && Exists(user)) {
    // The user's copy is theirs: used as it is, never filled up or replaced.
    if (HasTable(user)) return WithSeparator(user.string());
    AddTried(tried, user, "your own copy");
    const std::string hint = installed.empty() ? std::string()
                                               : "\nThe installed data folder " + Quoted(installed.string()) +
                                                     " holds the shipped " + kTableName + ".";
    if (error) *error = NotFoundError(tried, hint);
    return "";
  }

  if (installed.empty()) {
    if (!user.empty()) AddTried(tried, user, "your own copy, made on first start from the installed one");
    for (const fs::path& dir : InstalledDirs(places)) AddTried(tried, dir, "the installed data folder");
    if (error) *error = NotFoundError(tried, "");
    return "";
  }
  if (user.empty()) return WithSeparator(installed.string());  // no home folder to copy into

  const CopyResult copy = CopyFolderWhole(installed, user);
  if (copy.ok) {
    notes << "First start: copied " << copy.what << " from " << Quoted(installed.string()) << " to your own data folder "
          << Quoted(user.string()) << ". Save images, edit samples and find TRACE.LOG there.\n";
    return WithSeparator(user.string());
  }
  if (HasTable(user)) return WithSeparator(user.string());  // another start made it meanwhile
  notes << "Could not make your own data folder " << Quoted(user.string()) << " (" << copy.reason
        << "); using the installed data folder " << Quoted(installed.string()) << ", where files may not be saved.\n";
  return WithSeparator(installed.string());
}

std::string FindDataDir(const std::string& option_dir, const std::string& exe_path, std::ostream& notes,
                        std::string* error) {
  return FindDataDir(DataDirPlacesFromEnvironment(option_dir, exe_path), notes, error);
}

std::string ResolveDataDir(const std::string& option_dir, const char* env_dir, const std::string& exe_path) {
  DataDirPlaces places = DataDirPlacesFromEnvironment(option_dir, exe_path);
  places.env_dir = Text(env_dir);
  if (!places.option_dir.empty()) return WithSeparator(places.option_dir);
  if (!places.env_dir.empty()) return WithSeparator(places.env_dir);
  const fs::path beside = BesideExecutable(places);
  std::vector<fs::path> candidates{beside};
  if (const fs::path user = UserCopyDir(places); !user.empty()) candidates.push_back(user);
  for (const fs::path& dir : InstalledDirs(places)) candidates.push_back(dir);
  for (const fs::path& dir : candidates) {
    if (HasTable(dir)) return WithSeparator(dir.string());
  }
  return WithSeparator(beside.string());
}

std::string RunningExecutablePath(const char* argv0) {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec && !self.empty()) return self.string();
  return Text(argv0);
}

}  // namespace scmp
