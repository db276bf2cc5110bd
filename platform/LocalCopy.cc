#include "LocalCopy.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "RunLoop.h"
#include "UrlError.h"

namespace platform {
namespace {
// About a millisecond of a local disk: small enough that a slow share answers within a beat.
constexpr std::size_t kPieceBytes = 128 * 1024;
}  // namespace

std::unique_ptr<LocalCopy> LocalCopy::open(const std::string& path, std::uint64_t maxBytes,
                                           int* error) {
  // An administrator's source folder may hold links of the administrator's own.
  // A file that is there but not regular leaves errno as it was.
  errno = 0;
  std::optional<OpenFile> file = OpenFile::open(path, OpenFile::Links::kFollow);
  if (!file) {
    // Only a name that is not there is a file that does not exist; anything else is there but
    // cannot be read (no permission, a FIFO, a folder).
    *error =
        errno == ENOENT || errno == ENOTDIR ? kUrlErrorFileDoesNotExist : kUrlErrorCannotOpenFile;
    return nullptr;
  }
  struct stat status {};
  if (::fstat(file->descriptor(), &status) != 0) {
    *error = kUrlErrorCannotOpenFile;
    return nullptr;
  }
  const auto size = static_cast<std::uint64_t>(status.st_size);
  if (size > maxBytes) {
    *error = kUrlErrorDataLengthExceedsMaximum;
    return nullptr;
  }
  return std::unique_ptr<LocalCopy>(new LocalCopy(std::move(*file), size));
}

void LocalCopy::start(Take take, End end) {
  take_ = std::move(take);
  end_ = std::move(end);
  buffer_.resize(kPieceBytes);
  // Below every other source: a signal, a key or a redraw waiting goes first.
  GSource* source = g_idle_source_new();
  g_source_set_callback(source, &LocalCopy::onPiece, this, nullptr);
  GMainContext* context = RunLoop::main().context();
  piece_ = SourceId(context, g_source_attach(source, context));
  g_source_unref(source);
}

// Nothing of this object is touched after take or end: either may stop the copy.
gboolean LocalCopy::onPiece(gpointer self) {
  auto* copy = static_cast<LocalCopy*>(self);
  const ssize_t n = ::read(copy->file_.descriptor(), copy->buffer_.data(), copy->buffer_.size());
  if (n < 0 && errno == EINTR) return G_SOURCE_CONTINUE;
  if (n > 0) {
    if (copy->take_(copy->buffer_.data(), static_cast<std::size_t>(n))) return G_SOURCE_CONTINUE;
    copy->piece_.release();
    return G_SOURCE_REMOVE;
  }
  copy->piece_.release();
  copy->end_(n == 0 ? 0 : kUrlErrorCannotOpenFile);
  return G_SOURCE_REMOVE;
}

}  // namespace platform
