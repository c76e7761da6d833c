// Saving a file so that a failure or a kill never leaves a half-written one:
// the contents go to a temporary file beside the target, which is then
// renamed over it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace scmp {

// Writes `contents` to `path` as a whole or not at all. The target must be
// a regular file or a name that does not exist yet; anything else (a folder,
// a device, a pipe, a socket, a link to one or a link to nothing) is refused
// and left alone. A link to a regular file is followed: the file it points
// to is replaced and the link stays. A replaced file keeps its owner, group
// and mode as far as the rights allow (the owner only when saving as root).
// The temporary name stays within the folder's name limit, and temporary
// files that a killed save of the same target left behind are removed. A
// SIGINT, SIGTERM or SIGHUP that would end the program during a save removes
// the temporary file first (a program that handles the signal itself keeps
// its save going).
//
// False with a message in `error` that names `what` ("the memory image") and
// the path; any earlier file of that name is then unchanged.
bool SaveFileSafely(const std::string& path, std::string_view contents, std::string* error,
                    std::string_view what = "the file");

// Several files that change together or not at all: Prepare writes each
// file's contents to a temporary file beside it, as SaveFileSafely does;
// Commit renames them all into place. A batch destroyed before Commit, or
// after a failed Prepare, removes its temporary files and every old file
// stays as it was. SaveFileSafely is a batch of one.
class SaveBatch {
 public:
  SaveBatch() = default;
  ~SaveBatch();
  SaveBatch(const SaveBatch&) = delete;
  SaveBatch& operator=(const SaveBatch&) = delete;

  // False with a message as SaveFileSafely gives; nothing is then pending
  // for `path`.
  bool Prepare(const std::string& path, std::string_view contents, std::string* error,
               std::string_view what = "the file");
  // False when a rename fails (the files renamed before it are in place,
  // the rest left as they were, their temporaries removed).
  bool Commit(std::string* error);

 private:
  struct Pending {
    std::string target;  // the file replaced (a link's target)
    std::string shown;   // the path as given, for messages
    std::string failed;  // "Cannot save the listing"
    std::string temp;
    std::string dir;
    int slot;            // where the signal handler finds `temp`
  };
  std::vector<Pending> pending_;
};

}  // namespace scmp
