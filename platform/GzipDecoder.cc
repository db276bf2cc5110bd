#include "GzipDecoder.h"

namespace platform {

GzipDecoder::GzipDecoder() : buffer_(new unsigned char[kBufferSize]) {
  // 32 + MAX_WBITS: recognise a gzip or a zlib header by itself.
  ready_ = inflateInit2(&stream_, 32 + MAX_WBITS) == Z_OK;
}

GzipDecoder::~GzipDecoder() {
  if (ready_) inflateEnd(&stream_);
}

GzipDecoder::Status GzipDecoder::decode(const char* data, std::size_t length, const Sink& sink) {
  if (!ready_) return Status::kCorrupt;
  stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  stream_.avail_in = static_cast<uInt>(length);
  for (;;) {
    if (atStreamEnd_) {
      if (stream_.avail_in == 0) break;
      // Another gzip member follows the one that ended.
      if (inflateReset(&stream_) != Z_OK) return Status::kCorrupt;
      atStreamEnd_ = false;
    }
    stream_.next_out = buffer_.get();
    stream_.avail_out = kBufferSize;
    const int result = inflate(&stream_, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return Status::kCorrupt;
    const std::size_t produced = kBufferSize - stream_.avail_out;
    if (produced > 0 && !sink(reinterpret_cast<const char*>(buffer_.get()), produced)) {
      return Status::kSinkFailed;
    }
    if (result == Z_STREAM_END) {
      atStreamEnd_ = true;
      continue;
    }
    // Output room left over means all input is consumed and nothing is pending.
    if (stream_.avail_out != 0) break;
  }
  return Status::kOk;
}

}  // namespace platform
