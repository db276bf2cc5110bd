#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Moorstep/RevocationPolicy.h"

namespace moorstep {

// What an administrator sets once for every run on a machine: where the runtime comes from, how
// fast it may come, how strict the revocation phase is and which extra certificates an https
// source may show. Kept in moorstep/moorstep.conf, a GLib key file, in the first folder of
// $XDG_CONFIG_DIRS (default /etc/xdg) that has one; without a file every value is the default.
class AdminPolicy {
 public:
  // The machine's policy, read once; nullopt when its file cannot be used, after an error line
  // that names the file and what could not be read. Nothing of such a file is applied.
  static std::optional<AdminPolicy> load();
  // The policy file at path; a missing file is an error here.
  static std::optional<AdminPolicy> read(const std::string& path);
  // The file load() reads, when there is one.
  static std::optional<std::string> locate();

  // Base addresses tried in order, each taking the place of http://<download host> in front of
  // the download path; never empty. A file:/// base names a folder that holds the same tree.
  const std::vector<std::string>& sources() const { return sources_; }
  // 0: no limit.
  std::uint64_t maxRateBytesPerSecond() const { return maxRateBytesPerSecond_; }
  const RevocationPolicy& revocation() const { return revocation_; }
  // Certificates trusted by https sources besides the system's.
  const std::optional<std::string>& caFile() const { return caFile_; }

 private:
  AdminPolicy();
  // Applies one known key's value; false when the value cannot be read.
  bool apply(const std::string& group, const std::string& key, const std::string& value);
  bool applySources(const std::string& value);

  std::vector<std::string> sources_;
  std::uint64_t maxRateBytesPerSecond_ = 0;
  RevocationPolicy revocation_;
  std::optional<std::string> caFile_;
};

}  // namespace moorstep
