#include "StagedTree.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "DestinationFile.h"

namespace platform {
namespace fs = std::filesystem;

namespace {
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int kAttempts = 16;

std::string failure(const std::string& path) {
  return "cannot write " + path + ": " + g_strerror(errno);
}

// On the disk, not only in its cache, before its name can take the place of another's.
bool copyInto(int from, int to) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return ::fsync(to) == 0;
    if (!writeAll(to, buffer, static_cast<std::size_t>(n))) return false;
  }
}
}  // namespace

StagedTree::~StagedTree() {
  if (!committed_) undo();
  for (int fd : folders_) ::close(fd);
}

bool StagedTree::stage(const std::string& root, const std::string& relative,
                       const std::string& from, std::string* error) {
  std::vector<std::string> names;
  for (const fs::path& part : fs::path(relative).relative_path()) names.push_back(part.string());
  for (const std::string& name : names) {
    if (name.empty() || name == "." || name == "..") {
      *error = "not a path below " + root + ": " + relative;
      return false;
    }
  }
  if (names.empty()) {
    *error = "no file name in " + relative;
    return false;
  }
  const std::string name = names.back();
  names.pop_back();
  const int folder = openFolder(root, names, error);
  if (folder < 0) return false;
  const std::string target =
      (fs::path(root) / relative.substr(relative.find_first_not_of('/'))).string();
  int out = -1;
  std::string temporary;
  for (int attempt = 0; out < 0 && attempt < kAttempts; ++attempt) {
    temporary = "." + name + "." + std::to_string(g_random_int());
    out = ::openat(folders_[folder], temporary.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0 && errno != EEXIST) break;
  }
  if (out < 0) {
    *error = failure(target);
    return false;
  }
  files_.push_back({folder, temporary, name});
  const int source = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  bool copied = source >= 0 && copyInto(source, out);
  if (!copied) *error = failure(target);
  if (source >= 0) ::close(source);
  if (::close(out) != 0 && copied) {
    *error = failure(target);
    copied = false;
  }
  return copied;
}

bool StagedTree::commit(std::string* error) {
  for (File& file : files_) {
    const int folder = folders_[file.folder];
    struct stat status {};
    file.replaced = ::fstatat(folder, file.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
    if (::renameat(folder, file.temporary.c_str(), folder, file.name.c_str()) != 0) {
      *error = failure(file.name);
      undo();
      return false;
    }
    file.placed = true;
  }
  committed_ = true;
  return true;
}

// The root as the caller named it may lead through links of the caller's; what is missing of it,
// and everything below it, is made and opened here without following any.
int StagedTree::openFolder(const std::string& root, const std::vector<std::string>& names,
                           std::string* error) {
  fs::path existing = fs::path(root).lexically_normal();
  if (existing.filename().empty()) existing = existing.parent_path();
  std::vector<std::string> path;
  while (!existing.empty() && !g_file_test(existing.c_str(), G_FILE_TEST_IS_DIR)) {
    path.insert(path.begin(), existing.filename().string());
    existing = existing.parent_path();
  }
  const std::string start = existing.empty() ? "." : existing.string();
  int folder = keep(::open(start.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder < 0) {
    *error = failure(start);
    return -1;
  }
  path.insert(path.end(), names.begin(), names.end());
  for (const std::string& name : path) {
    folder = openChild(folder, name, error);
    if (folder < 0) return -1;
  }
  return folder;
}

int StagedTree::openChild(int parent, const std::string& name, std::string* error) {
  const int fd = folders_[parent];
  if (::mkdirat(fd, name.c_str(), 0755) == 0) {
    made_.push_back({parent, name});
  } else if (errno != EEXIST) {
    *error = failure(name);
    return -1;
  }
  const int child = keep(::openat(fd, name.c_str(), kFolderFlags));
  // A link in a folder's place is refused, not followed.
  if (child < 0) *error = failure(name);
  return child;
}

int StagedTree::keep(int fd) {
  if (fd < 0) return -1;
  folders_.push_back(fd);
  return static_cast<int>(folders_.size()) - 1;
}

void StagedTree::undo() {
  for (const File& file : files_) {
    const int folder = folders_[file.folder];
    if (!file.placed) {
      ::unlinkat(folder, file.temporary.c_str(), 0);
    } else if (!file.replaced) {
      ::unlinkat(folder, file.name.c_str(), 0);
    }
  }
  files_.clear();
  for (auto made = made_.rbegin(); made != made_.rend(); ++made) {
    ::unlinkat(folders_[made->parent], made->name.c_str(), AT_REMOVEDIR);
  }
  made_.clear();
}

}  // namespace platform
