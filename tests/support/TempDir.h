#pragma once

#include <string>

namespace testsupport {

// A fresh private folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path()/relative, with its parent folders created.
  std::string make(const std::string& relative) const;
  // Writes content to path()/relative and returns the full path.
  std::string write(const std::string& relative, const std::string& content) const;

 private:
  std::string path_;
};

// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace testsupport
