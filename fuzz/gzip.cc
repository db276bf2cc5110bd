// Compressed download data through the streaming decoder, in pieces of the size the first
// byte gives, as the network hands them over.
#include <algorithm>
#include <cstdint>

#include "platform/GzipDecoder.h"

namespace {
// Enough for any input of the corpus; a bomb beyond it is refused by the sink, as a full disk.
constexpr std::size_t kMaxOutput = 64 * 1024 * 1024;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] * 16;
  platform::GzipDecoder decoder;
  std::size_t produced = 0;
  const platform::GzipDecoder::Sink sink = [&produced](const char*, std::size_t length) {
    produced += length;
    return produced <= kMaxOutput;
  };
  for (std::size_t at = 1; at < size; at += piece) {
    const std::size_t length = std::min(piece, size - at);
    if (decoder.decode(reinterpret_cast<const char*>(data + at), length, sink) !=
        platform::GzipDecoder::Status::kOk) {
      return 0;
    }
  }
  decoder.complete();
  return 0;
}
