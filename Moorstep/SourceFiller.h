#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Moorstep/AdminPolicy.h"
#include "Moorstep/Downloader.h"
#include "libinstall/LibInstall.h"
#include "platform/Notification.h"

namespace moorstep {

class SignatureVerification;

// Fills a folder that a policy can name as a source, for machines without the network: the
// runtime installer and its signature for each platform, in the tree that runs ask for, and the
// revocation lists that the signatures' certificates name, in a folder of their own. Everything
// is fetched as a run fetches it (the policy's sources in turn) and verified as a run verifies
// it; nothing reaches the folders unless every signature holds.
class SourceFiller {
 public:
  SourceFiller(std::string sourceFolder, std::string listsFolder,
               std::vector<install::PlatformInfo> platforms, AdminPolicy policy);
  ~SourceFiller();
  SourceFiller(const SourceFiller&) = delete;
  SourceFiller& operator=(const SourceFiller&) = delete;

  // Runs the loop until the folders are filled: 0, 11 when something could not be fetched or
  // stored, 13 when a signature does not hold.
  int run();

 private:
  struct Staged {
    std::string from;
    std::string root;
    std::string relative;
  };

  void downloadInstaller();
  void installerDownloaded(bool success, const std::vector<std::string>& files);
  void verified(bool valid);
  void downloadNextList();
  void listDownloaded(bool success, const std::vector<std::string>& files);
  bool storeStaged();
  void finish(int code, const std::string& reason);

  std::string sourceFolder_;
  std::string listsFolder_;
  std::vector<install::PlatformInfo> platforms_;
  AdminPolicy policy_;
  Downloader downloader_;
  std::unique_ptr<SignatureVerification> verifier_;
  std::size_t platform_ = 0;
  std::size_t source_ = 0;
  std::string installerPath_, signaturePath_;
  std::vector<std::string> signatureLists_;
  std::set<std::string> lists_;
  std::vector<Staged> staged_;
  std::optional<int> exitCode_;
};

}  // namespace moorstep
