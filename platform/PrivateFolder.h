#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// A folder of one run's own for downloaded files: mode 0700, made by mkdtemp, on a filesystem
// from which a downloaded program may be started. A lock on a file inside it is held for as
// long as the object lives, so a later run can tell the folder of a killed run from the folder
// of a run that is still going.
class PrivateFolder {
 public:
  // Makes the folder in the first of parentCandidates() that can take one, and removes the
  // folders that killed runs left in any of them. nullopt when no folder could be made.
  static std::optional<PrivateFolder> make();
  // $TMPDIR (default /tmp) when it is owned by root or the user, sticky when others may write
  // to it, and not on a noexec filesystem; then $XDG_CACHE_HOME/moorstep (default
  // ~/.cache/moorstep). Never the home folder itself.
  static std::vector<std::string> parentCandidates();
  // The folders of runs that are gone: those whose lock can be taken.
  static void removeAbandoned(const std::string& parent);

  PrivateFolder(PrivateFolder&& other) noexcept;
  PrivateFolder& operator=(PrivateFolder&& other) noexcept;
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  // Gives up the lock; the folder stays unless remove() was called.
  ~PrivateFolder();

  const std::string& path() const { return path_; }
  // The lock's descriptor (close-on-exec): a program started from the folder that keeps it
  // open keeps the folder live after this process has gone.
  int lockDescriptor() const { return lockFd_; }
  // Removes the folder with everything in it, then gives up the lock.
  void remove();

 private:
  PrivateFolder(std::string path, int lockFd) : path_(std::move(path)), lockFd_(lockFd) {}
  static std::optional<PrivateFolder> makeIn(const std::string& parent);
  void release();

  std::string path_;
  int lockFd_ = -1;
};

}  // namespace platform
