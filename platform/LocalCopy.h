#pragma once

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Handles.h"
#include "OpenFile.h"

namespace platform {

// The copy of a file on this machine, read piece by piece from the run loop: however slow the
// disk or the share, the loop (a Cancel, a termination signal) waits for one piece at most, never
// for the whole file. Only a regular file within its limit is read; opening never waits, so a
// FIFO or a device in the file's place fails at once.
class LocalCopy {
 public:
  // Takes one piece; false ends the copy, for a reason of the taker's own.
  using Take = std::function<bool(const char* data, std::size_t length)>;
  // Once, after the last piece (0) or when a read fails (a kUrlError code).
  using End = std::function<void(int error)>;

  // nullptr with *error, a kUrlError code, when path cannot be copied.
  static std::unique_ptr<LocalCopy> open(const std::string& path, std::uint64_t maxBytes,
                                         int* error);
  LocalCopy(const LocalCopy&) = delete;
  LocalCopy& operator=(const LocalCopy&) = delete;

  void start(Take take, End end);
  // As it was when opened: what the progress shows and the destination must have room for.
  std::uint64_t size() const { return size_; }
  // Nothing more is taken or reported; safe from inside take and end.
  void stop() { piece_.reset(); }

 private:
  LocalCopy(OpenFile file, std::uint64_t size) : file_(std::move(file)), size_(size) {}
  static gboolean onPiece(gpointer self);

  OpenFile file_;
  std::uint64_t size_;
  std::vector<char> buffer_;
  Take take_;
  End end_;
  SourceId piece_;
};

}  // namespace platform
