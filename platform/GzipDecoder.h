#pragma once

#include <zlib.h>

#include <cstddef>
#include <functional>
#include <memory>

namespace platform {

// Streaming gzip (or zlib) decoding with a fixed output buffer: memory does not grow with the
// data. Concatenated gzip members are decoded one after the other.
class GzipDecoder {
 public:
  using Sink = std::function<bool(const char* data, std::size_t length)>;

  GzipDecoder();
  ~GzipDecoder();
  GzipDecoder(const GzipDecoder&) = delete;
  GzipDecoder& operator=(const GzipDecoder&) = delete;

  enum class Status { kOk, kCorrupt, kSinkFailed };
  // Decodes input and hands every piece of output to sink.
  Status decode(const char* data, std::size_t length, const Sink& sink);
  // True when the data so far ends exactly at the end of a compressed stream.
  bool complete() const { return atStreamEnd_; }

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;

  z_stream stream_{};
  bool ready_ = false;
  bool atStreamEnd_ = false;
  std::unique_ptr<unsigned char[]> buffer_;
};

}  // namespace platform
