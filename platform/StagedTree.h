#pragma once

#include <string>
#include <vector>

namespace platform {

// Files put into folders that others may write to as well, such as a shared source tree: every
// folder on the way is opened without following a link, so a link planted there leads nowhere,
// and each file is written under a temporary name that commit() renames into place (a link in
// the file's place is replaced, never written through). Until commit() succeeds nothing new is
// left behind: the destructor removes the temporaries and the folders that were made.
class StagedTree {
 public:
  StagedTree() = default;
  StagedTree(const StagedTree&) = delete;
  StagedTree& operator=(const StagedTree&) = delete;
  ~StagedTree();

  // A copy of from, to become relative (a path of names below root); false with *error set.
  // Missing folders of root and below it are made.
  bool stage(const std::string& root, const std::string& relative, const std::string& from,
             std::string* error);
  // Every staged file in place; false with *error set when one fails, after the new files and
  // folders are removed again (a file that an earlier rename replaced stays replaced: renames in
  // one folder of one filesystem fail for want of the folder, not one by one).
  bool commit(std::string* error);

 private:
  struct Made {
    int parent;
    std::string name;
  };
  struct File {
    int folder;
    std::string temporary;
    std::string name;
    bool placed = false;
    bool replaced = false;
  };

  int openFolder(const std::string& root, const std::vector<std::string>& names,
                 std::string* error);
  int openChild(int parent, const std::string& name, std::string* error);
  int keep(int fd);
  void undo();

  std::vector<int> folders_;
  std::vector<Made> made_;
  std::vector<File> files_;
  bool committed_ = false;
};

}  // namespace platform
