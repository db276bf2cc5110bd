#include "Moorstep/ParamChecker.h"

namespace qorv {

ParamChecker::ParamChecker(const std::vector<std::string>& processArguments) {
  for (std::size_t i = 1; i < processArguments.size(); ++i) {
    if (processArguments[i].starts_with("-psn")) continue;
    incoming_.push_back(processArguments[i]);
  }
}

unsigned int ParamChecker::GetOrigArgCount() { return static_cast<unsigned int>(incoming_.size()); }

const char* ParamChecker::GetOrigUtf8Arg(unsigned int index) {
  return index < incoming_.size() ? incoming_[index].c_str() : nullptr;
}

void ParamChecker::PutValidatedUtf8Arg(const char* arg, bool /*isValue*/) {
  if (!validated_) validated_.emplace();
  validated_->emplace_back(arg ? arg : "");
}

void ParamChecker::PutRuntimeInstallerUtf8Path(const char* path) {
  runtimeInstallerPath_ = path ? path : "";
}

}  // namespace qorv
