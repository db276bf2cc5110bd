#include "PrivateFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "SearchPaths.h"

namespace platform {
namespace {
namespace fs = std::filesystem;

constexpr char kPrefix[] = "moorstep-";
constexpr std::size_t kRandomPart = 6;  // what mkdtemp fills in
constexpr char kLockName[] = "lock";

bool runnableFilesystem(const std::string& folder) {
  struct statvfs info {};
  return ::statvfs(folder.c_str(), &info) == 0 && (info.f_flag & ST_NOEXEC) == 0;
}

// Whoever may rename entries in the parent may swap a run's folder for one of their own. That
// is only the owner, unless the folder is writable by others and lacks the sticky bit.
bool safeParent(const std::string& folder) {
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
  const bool trustedOwner = status.st_uid == 0 || status.st_uid == ::geteuid();
  const bool othersMayWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  return trustedOwner && (!othersMayWrite || (status.st_mode & S_ISVTX) != 0);
}

std::string cacheDirectory() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  return cache && cache[0] == '/' ? cache : homeDirectory() + "/.cache";
}

// A folder of the user's own that nobody else may change: anyone who could rename entries in it
// could swap a verified installer.
bool ownedPrivately(const std::string& folder) {
  struct stat status {};
  return ::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         status.st_uid == ::geteuid() && (status.st_mode & 022) == 0;
}

bool makeOwnFolder(const std::string& folder) {
  ::mkdir(cacheDirectory().c_str(), 0700);
  ::mkdir(folder.c_str(), 0700);
  return ownedPrivately(folder);
}

bool sameFile(int fd, const std::string& path) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Renames a locked folder to its public name without replacing another. Filesystems that cannot
// refuse to replace (NFS, where a cache folder in the home often lives) get a plain rename: it
// never replaces a folder that holds something, and every run's folder holds its lock file.
bool publish(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  return (errno == EINVAL || errno == ENOSYS) && ::rename(from.c_str(), to.c_str()) == 0;
}

bool isRunFolderName(const std::string& name) {
  return name.size() == sizeof kPrefix - 1 + kRandomPart && name.starts_with(kPrefix);
}
}  // namespace

std::vector<std::string> PrivateFolder::parentCandidates() {
  std::vector<std::string> parents;
  const std::string tmp = temporaryDirectory();
  // An installer downloaded to a noexec filesystem could be verified but never started.
  if (safeParent(tmp) && runnableFilesystem(tmp)) parents.push_back(tmp);
  parents.push_back(cacheDirectory() + "/moorstep");
  return parents;
}

std::optional<PrivateFolder> PrivateFolder::make() {
  const std::string tmp = temporaryDirectory();
  std::optional<PrivateFolder> folder;
  for (const std::string& parent : parentCandidates()) {
    // Once there is a folder, a later parent is only swept, never made.
    const bool usable = parent == tmp || (folder ? ownedPrivately(parent) : makeOwnFolder(parent));
    if (!usable) continue;
    removeAbandoned(parent);
    if (!folder) folder = makeIn(parent);
  }
  return folder;
}

std::optional<PrivateFolder> PrivateFolder::makeIn(const std::string& parent) {
  // The folder is locked under a name that no sweeping run looks at, and gets its public name
  // only then: a run that sweeps can never take the lock of a folder that is being made.
  std::string hidden = parent + "/." + kPrefix + std::string(kRandomPart, 'X');
  if (!::mkdtemp(hidden.data())) return std::nullopt;
  const std::string lockPath = hidden + "/" + kLockName;
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (fd >= 0) ::close(fd);
    // Taken apart by name: a recursive removal needs a descriptor, and the lack of one may be
    // why the lock could not be made.
    ::unlink(lockPath.c_str());
    ::rmdir(hidden.c_str());
    return std::nullopt;
  }
  std::string published = parent + "/" + kPrefix + hidden.substr(hidden.size() - kRandomPart);
  // Where the name is taken, the hidden name serves; a later run cannot sweep it.
  if (!publish(hidden, published)) {
    published = hidden;
  }
  return PrivateFolder(std::move(published), fd);
}

void PrivateFolder::removeAbandoned(const std::string& parent) {
  std::error_code error;
  for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    const std::string folder = it->path().string();
    if (!isRunFolderName(name) || !ownedPrivately(folder)) continue;
    const std::string lockPath = folder + "/" + kLockName;
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    // The kernel drops the lock when its run ends, however it ends.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, lockPath)) {
      std::error_code ignored;
      fs::remove_all(folder, ignored);
    }
    ::close(fd);
  }
}

PrivateFolder::PrivateFolder(PrivateFolder&& other) noexcept
    : path_(std::move(other.path_)), lockFd_(std::exchange(other.lockFd_, -1)) {}

PrivateFolder& PrivateFolder::operator=(PrivateFolder&& other) noexcept {
  if (this != &other) {
    release();
    path_ = std::move(other.path_);
    lockFd_ = std::exchange(other.lockFd_, -1);
  }
  return *this;
}

PrivateFolder::~PrivateFolder() { release(); }

void PrivateFolder::remove() {
  if (!path_.empty()) {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  release();
}

void PrivateFolder::release() {
  if (lockFd_ >= 0) ::close(std::exchange(lockFd_, -1));
}

}  // namespace platform
