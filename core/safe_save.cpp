#include "core/safe_save.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_reader.h"

namespace scmp {
namespace {

namespace fs = std::filesystem;

// Room a temporary name needs beyond the part of the target's name it
// keeps: ".", ".", an 8-digit hash, ".tmp", a process id, "-", a counter.
constexpr size_t kTempSuffixRoom = 40;

// Where the save really goes: `path` itself, or the regular file a link
// points to. Empty with `reason` set when the target must not be replaced.
struct Target {
  std::string path;
  bool exists = false;
  struct stat st {};
};

bool ResolveTarget(const std::string& path, Target* target, std::string* reason) {
  struct stat lst;
  if (::lstat(path.c_str(), &lst) != 0) {
    if (errno != ENOENT) {
      *reason = std::strerror(errno);
      return false;
    }
    target->path = path;  // a new file
    return true;
  }
  if (S_ISLNK(lst.st_mode)) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
      *reason = errno == ENOENT ? "it is a link to a file that does not exist" : std::strerror(errno);
      return false;
    }
    *reason = NotRegularReason(st.st_mode);
    if (!reason->empty()) return false;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved) {
      *reason = std::strerror(errno);
      return false;
    }
    target->path = resolved.get();
    target->exists = true;
    target->st = st;
    return true;
  }
  *reason = NotRegularReason(lst.st_mode);
  if (!reason->empty()) return false;
  target->path = path;
  target->exists = true;
  target->st = lst;
  return true;
}

uint32_t NameHash(std::string_view name) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (unsigned char c : name) h = (h ^ c) * 16777619u;
  return h;
}

// The part of every temporary name of one target that comes before the
// process id: the target's name cut to fit the name limit, and a hash of the
// whole name so that cut names of different targets do not meet.
std::string TempPrefix(const fs::path& dir, const std::string& name) {
  long name_max = ::pathconf(dir.c_str(), _PC_NAME_MAX);
  if (name_max <= 0) name_max = NAME_MAX;
  const size_t keep = static_cast<size_t>(name_max) > kTempSuffixRoom ? name_max - kTempSuffixRoom : 0;
  char hash[12];
  std::snprintf(hash, sizeof hash, "%08X", NameHash(name));
  return "." + name.substr(0, keep) + "." + hash + ".tmp";
}

// Removes temporary files of this target whose saving process is gone: a
// save killed before it could clean up.
void RemoveStaleTemps(const fs::path& dir, const std::string& prefix) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(prefix)) continue;
    char* rest = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &rest, 10);
    if (pid <= 0 || rest == nullptr || *rest != '-' || pid == ::getpid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ::unlink(it->path().c_str());
  }
}

// The temporary files of saves in progress, so that SIGINT, SIGTERM or
// SIGHUP, which would end the program before it cleans up, removes them
// first. A handler may not allocate or lock, so the names are kept in a
// fixed table; a save beyond its size goes on without this care.
constexpr std::array<int, 3> kEndingSignals = {SIGINT, SIGTERM, SIGHUP};
constexpr int kNoSlot = -1;
struct TempSlot {
  std::atomic<bool> used{false};
  char path[PATH_MAX] = {};
};
std::array<TempSlot, 16> g_temp_slots;
std::mutex g_slots_mutex;  // guards the count and the handlers, never taken in the handler
int g_slots_in_use = 0;
std::array<struct sigaction, kEndingSignals.size()> g_old_actions{};

// A program that handles the signal itself (scmp-run ends its run and saves
// after it) keeps its temporary files, since its save goes on; one that
// ignores the signal too. A signal that would end the program removes them
// and then ends it as it would have.
extern "C" void RemoveTempsAndEnd(int signal_number, siginfo_t* info, void* context) {
  size_t i = 0;
  while (i + 1 < kEndingSignals.size() && kEndingSignals[i] != signal_number) ++i;
  const struct sigaction& old = g_old_actions[i];
  if ((old.sa_flags & SA_SIGINFO) != 0) return old.sa_sigaction(signal_number, info, context);
  if (old.sa_handler == SIG_IGN) return;
  if (old.sa_handler != SIG_DFL) return old.sa_handler(signal_number);
  for (TempSlot& slot : g_temp_slots)
    if (slot.used.load()) ::unlink(slot.path);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

// Notes `path` for the handler, which is set while any save is in progress;
// the slot, or kNoSlot when the table is full.
int HoldTemp(const std::string& path) {
  if (path.size() >= PATH_MAX) return kNoSlot;
  std::lock_guard<std::mutex> lock(g_slots_mutex);
  for (size_t s = 0; s < g_temp_slots.size(); ++s) {
    TempSlot& slot = g_temp_slots[s];
    if (slot.used.load()) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.used.store(true);
    if (g_slots_in_use++ == 0) {
      struct sigaction action {};
      action.sa_sigaction = &RemoveTempsAndEnd;
      action.sa_flags = SA_SIGINFO | SA_RESTART;
      sigemptyset(&action.sa_mask);
      for (size_t i = 0; i < kEndingSignals.size(); ++i) ::sigaction(kEndingSignals[i], &action, &g_old_actions[i]);
    }
    return static_cast<int>(s);
  }
  return kNoSlot;
}

void ReleaseTemp(int slot) {
  if (slot == kNoSlot) return;
  std::lock_guard<std::mutex> lock(g_slots_mutex);
  g_temp_slots[static_cast<size_t>(slot)].used.store(false);
  if (--g_slots_in_use == 0)
    for (size_t i = 0; i < kEndingSignals.size(); ++i) ::sigaction(kEndingSignals[i], &g_old_actions[i], nullptr);
}

// Blocks the ending signals for its lifetime, so that a file is never
// created without its name being held.
class EndingSignalsBlocked {
 public:
  EndingSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal_number : kEndingSignals) sigaddset(&set, signal_number);
    ::pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~EndingSignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

// Opens a new, unique file beside the target and holds its name in `slot`;
// -1 with errno set on failure.
int OpenTemp(const fs::path& dir, const std::string& prefix, fs::path* temp, int* slot) {
  static std::atomic<unsigned> counter{0};
  EndingSignalsBlocked blocked;
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp = dir / (prefix + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    const int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) *slot = HoldTemp(temp->string());
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// The replaced file's owner, group and mode go to the new one. Only root
// may give a file away; anyone may keep the group of a group they are in.
void CopyOwnership(int fd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  ::fchmod(fd, old.st_mode & 07777);  // after fchown, which may clear set-id bits
}

void SyncFolder(const fs::path& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A save writes a new file into the folder, so a refusal is the folder's:
// say that the folder cannot be written, not only the file's name.
std::string CreateFailureText(const fs::path& dir, int error_number) {
  const std::string text = std::strerror(error_number);
  if (error_number != EACCES && error_number != EPERM && error_number != EROFS) return text;
  return "the folder " + Quoted(dir.string()) + " cannot be written (" + text + ")";
}

}  // namespace

bool SaveFileSafely(const std::string& path, std::string_view contents, std::string* error, std::string_view what) {
  SaveBatch batch;
  return batch.Prepare(path, contents, error, what) && batch.Commit(error);
}

SaveBatch::~SaveBatch() {
  for (const Pending& p : pending_) {
    ::unlink(p.temp.c_str());
    ReleaseTemp(p.slot);
  }
}

bool SaveBatch::Prepare(const std::string& path, std::string_view contents, std::string* error,
                        std::string_view what) {
  const std::string failed = "Cannot save " + std::string(what);
  if (path.empty()) {
    SetError(error, failed + ": no file name given.");
    return false;
  }
  Target target;
  std::string reason;
  if (!ResolveTarget(path, &target, &reason)) {
    SetError(error, failed + " " + Quoted(path) + ": " + reason + ". It is left as it was.");
    return false;
  }

  const fs::path target_path(target.path);
  const fs::path dir = target_path.has_parent_path() ? target_path.parent_path() : fs::path(".");
  const std::string prefix = TempPrefix(dir, target_path.filename().string());
  RemoveStaleTemps(dir, prefix);
  fs::path temp;
  int slot = kNoSlot;
  const int fd = OpenTemp(dir, prefix, &temp, &slot);
  if (fd < 0) {
    SetError(error, failed + " " + Quoted(path) + ": " + CreateFailureText(dir, errno) + ".");
    return false;
  }
  if (target.exists) CopyOwnership(fd, target.st);

  bool ok = WriteAll(fd, contents) && ::fsync(fd) == 0;
  int saved_errno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved_errno = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    ReleaseTemp(slot);
    SetError(error, failed + " " + Quoted(path) + ": " + CreateFailureText(dir, saved_errno) +
                        ". Any earlier file of that name is unchanged.");
    return false;
  }
  pending_.push_back({target.path, path, failed, temp.string(), dir.string(), slot});
  return true;
}

bool SaveBatch::Commit(std::string* error) {
  bool ok = true;
  for (Pending& p : pending_) {
    if (ok && ::rename(p.temp.c_str(), p.target.c_str()) != 0) {
      ok = false;
      SetError(error, p.failed + " " + Quoted(p.shown) + ": " + std::strerror(errno) +
                          ". Any earlier file of that name is unchanged.");
    }
    if (!ok) ::unlink(p.temp.c_str());
    ReleaseTemp(p.slot);
    if (ok) SyncFolder(p.dir);
  }
  pending_.clear();
  return ok;
}

}  // namespace scmp
