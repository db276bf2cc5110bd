#include "Moorstep/SourceFiller.h"

#include <cstdio>

#include "Moorstep/DownloadLimits.h"
#include "Moorstep/Notifications.h"
#include "Moorstep/QORV.h"
#include "Moorstep/SignatureVerification.h"
#include "platform/NotificationCenter.h"
#include "platform/RunLoop.h"
#include "platform/StagedTree.h"
#include "platform/SuggestedFilename.h"

namespace moorstep {
namespace {
constexpr char kListDone[] = "SourceFillerListDone";
constexpr char kProgram[] = "moorstep-fill-source";
}  // namespace

SourceFiller::SourceFiller(std::string sourceFolder, std::string listsFolder,
                           std::vector<install::PlatformInfo> platforms, AdminPolicy policy)
    : sourceFolder_(std::move(sourceFolder)),
      listsFolder_(std::move(listsFolder)),
      platforms_(std::move(platforms)),
      policy_(std::move(policy)) {
  downloader_.setSilent(true);
  downloader_.setMaxRate(policy_.maxRateBytesPerSecond());
  downloader_.setExtraCaFile(policy_.caFile());
  auto& center = platform::NotificationCenter::defaultCenter();
  center.addObserver(
      this, INSTALLER_DOWNLOAD_NOTIFY_DONE, &downloader_, [this](const platform::Notification& n) {
        installerDownloaded(
            n.boolValue(DOWNLOADER_KEY_SUCCESS),
            n.stringListValue(DOWNLOADER_KEY_FILES).value_or(std::vector<std::string>{}));
      });
  center.addObserver(this, kListDone, &downloader_, [this](const platform::Notification& n) {
    listDownloaded(n.boolValue(DOWNLOADER_KEY_SUCCESS),
                   n.stringListValue(DOWNLOADER_KEY_FILES).value_or(std::vector<std::string>{}));
  });
  center.addObserver(this, SIGNATURE_VERIFY_NOTIFY_DONE, nullptr,
                     [this](const platform::Notification& n) {
                       verified(n.boolValue(SIGNATURE_KEY_IS_VALID) &&
                                !n.boolValue(SIGNATURE_KEY_DOWNLOAD_CANCELLED));
                     });
}

SourceFiller::~SourceFiller() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
}

int SourceFiller::run() {
  downloadInstaller();
  platform::RunLoop::main().runUntil([this] { return exitCode_.has_value(); });
  downloader_.cleanupTempFiles();
  return *exitCode_;
}

void SourceFiller::downloadInstaller() {
  if (platform_ == platforms_.size()) {
    downloadNextList();
    return;
  }
  if (!install::formatBootstrapperDownloadPaths(platforms_[platform_], installerPath_,
                                                signaturePath_)) {
    finish(qorv::kRuntimeDownloadFailed, "no download address for this system");
    return;
  }
  // The revocation phase of the installer before may have left failures skipped: here each
  // file listed must be one that arrived.
  downloader_.setIgnoreFailures(false);
  downloader_.startInstallerDownload(policy_.sources()[source_], installerPath_, signaturePath_);
}

void SourceFiller::installerDownloaded(bool success, const std::vector<std::string>& files) {
  if (!success || files.size() != 2) {
    if (++source_ < policy_.sources().size()) {
      downloadInstaller();
    } else {
      finish(qorv::kRuntimeDownloadFailed, "the installer or its signature could not be fetched");
    }
    return;
  }
  // The lists that the signature's own certificates name, whatever a run would do with them.
  SignatureVerification reader;
  reader.setSignaturePath(files[1]);
  platform::Pkcs7Ptr pkcs7 = reader.readPkcs7();
  signatureLists_ = pkcs7 && PKCS7_type_is_signed(pkcs7.get())
                        ? SignatureVerification::crlAddresses(pkcs7->d.sign->cert)
                        : std::vector<std::string>{};
  staged_.push_back({files[0], sourceFolder_, installerPath_});
  staged_.push_back({files[1], sourceFolder_, signaturePath_});
  verifier_ = std::make_unique<SignatureVerification>();
  verifier_->setDownloader(&downloader_);
  verifier_->setRevocationPolicy(policy_.revocation());
  verifier_->verifyDataAtPath(files[0], files[1]);
}

void SourceFiller::verified(bool valid) {
  verifier_.reset();
  if (!valid) {
    finish(qorv::kSignatureInvalid, "the signature of " + installerPath_ + " does not hold");
    return;
  }
  lists_.insert(signatureLists_.begin(), signatureLists_.end());
  ++platform_;
  source_ = 0;
  downloadInstaller();
}

// One list at a time, so that each file is known to come from its address.
void SourceFiller::downloadNextList() {
  if (lists_.empty()) {
    if (storeStaged()) finish(0, "");
    return;
  }
  downloader_.setUrlStrings({*lists_.begin()});
  downloader_.setMaxBytes({kMaxCrlBytes});
  downloader_.setIgnoreFailures(false);
  downloader_.startDownload(kListDone);
}

void SourceFiller::listDownloaded(bool success, const std::vector<std::string>& files) {
  const std::string url = *lists_.begin();
  lists_.erase(lists_.begin());
  const std::string name = platform::suggestedFilename("", url);
  if (success && files.size() == 1) {
    staged_.push_back({files[0], listsFolder_, name});
  } else {
    // A run with the same lists fails open on it, or refuses the signature when the policy
    // requires every list.
    std::fprintf(stderr, "%s: warning: the revocation list %s could not be fetched\n", kProgram,
                 url.c_str());
  }
  downloadNextList();
}

// The folders may be shared with other users, whose links must lead nowhere; and a failure at
// any file leaves none of them behind.
bool SourceFiller::storeStaged() {
  platform::StagedTree tree;
  std::string error;
  for (const Staged& file : staged_) {
    if (!tree.stage(file.root, file.relative, file.from, &error)) break;
  }
  if (error.empty()) tree.commit(&error);
  if (!error.empty()) finish(qorv::kRuntimeDownloadFailed, error);
  return error.empty();
}

void SourceFiller::finish(int code, const std::string& reason) {
  if (code != 0) std::fprintf(stderr, "%s: %s\n", kProgram, reason.c_str());
  exitCode_ = code;
}

}  // namespace moorstep
