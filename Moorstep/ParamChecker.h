#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Moorstep/QORV.h"

namespace qorv {

// The checker over the process's own argument list. "-psn" arguments (added by desktops that
// open the program from a file browser) and the program path are never seen by the rules.
class ParamChecker : public ParamCheckerCore {
 public:
  explicit ParamChecker(const std::vector<std::string>& processArguments);

  unsigned int GetOrigArgCount() override;
  const char* GetOrigUtf8Arg(unsigned int index) override;
  void PutValidatedUtf8Arg(const char* arg, bool isValue) override;
  void PutRuntimeInstallerUtf8Path(const char* path) override;

  // The validated arguments in command-line order; absent when none was accepted.
  const std::optional<std::vector<std::string>>& ParamArray() const { return validated_; }

 private:
  std::vector<std::string> incoming_;
  std::optional<std::vector<std::string>> validated_;
  std::optional<std::string> runtimeInstallerPath_;
};

}  // namespace qorv
