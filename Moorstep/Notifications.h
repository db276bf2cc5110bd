// Names and user-info keys of the notifications between the bootstrapper's parts.
#pragma once

namespace moorstep {

inline constexpr char INSTALLER_DOWNLOAD_NOTIFY_DONE[] = "InstallerDownloadDone";
inline constexpr char CRL_DOWNLOAD_NOTIFY_DONE[] = "CrlDownloadDone";
inline constexpr char SIGNATURE_VERIFY_NOTIFY_DONE[] = "SignatureVerifyDone";

inline constexpr char DOWNLOADER_KEY_SUCCESS[] = "DownloaderKeySuccess";
inline constexpr char DOWNLOADER_KEY_FILES[] = "DownloaderKeyFiles";
inline constexpr char SIGNATURE_KEY_IS_VALID[] = "SignatureKeyIsValid";
// True when the verification did not finish because its revocation-list download was cancelled
// (or could not be started): the run then ends as a cancelled download, not as a bad signature.
inline constexpr char SIGNATURE_KEY_DOWNLOAD_CANCELLED[] = "SignatureKeyDownloadCancelled";

inline constexpr char CONFIG_PLIST_NAME[] = "Config";

}  // namespace moorstep
