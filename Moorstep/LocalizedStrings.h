#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace moorstep {

// Message identifiers of the embedded table.
enum MessageId : std::int32_t {
  kMsgRuntimeNotFound = 0,
  kMsgInstallFailed = 1,
  kMsgOK = 2,
  kMsgCancel = 3,
  kMsgPleaseWait = 4,
  kMsgDownloadFailed = 5,
  kMsgDownloadNotValid = 6,
  kMsgVerifyingDownload = 7,
  kMsgUpdateNotAvailable = 8,
  kMsgWindowTitlePrefix = 9,
  kMsgUpdateNotAllowed = 10,
};

// The row chosen for this process; -1 until the first lookup, then fixed.
extern std::int32_t embeddedStringLocale;

class LocalizedStrings {
 public:
  LocalizedStrings() = delete;
  // The text for id in the user's language; nullopt for an id outside 0 to 10.
  static std::optional<std::string> getEmbeddedMessage(std::int32_t id);
};

// The row for the user's preferred languages; the default row when none of them has one.
std::int32_t GetFatalErrorMessageIndex();
// Index of the first language row whose tag equals tag exactly, else the default row.
std::int32_t FindMessageIndex(const std::string& tag, bool& found);
// tag without its last "-" subtag, when it has one.
std::string TrimLastSubTag(const std::string& tag, bool& trimmed);
std::string wchartoNSString(const char32_t* text);

}  // namespace moorstep
