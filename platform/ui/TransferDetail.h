#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace platform::ui {

// The line under a progress bar: bytes received of the declared length and, once the transfer
// has run a few seconds, its speed and the time left, as in "12.3 / 80.0 MB · 2.1 MB/s · 0:33".
// Numbers, unit symbols and a clock only, so that it needs no translation. It changes at most a
// few times a second, however often the counts arrive.
class TransferDetail {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kUpdateInterval = std::chrono::milliseconds(250);
  static constexpr auto kSpeedAfter = std::chrono::seconds(3);

  // The counts at time now; expected is not above 0 when the length is unknown. A received
  // count of 0 starts a new transfer (and an empty text). True when text() changed.
  bool update(std::int64_t received, std::int64_t expected, Clock::time_point now);
  const std::string& text() const { return text_; }

  static std::string format(std::int64_t received, std::int64_t expected,
                            std::optional<double> bytesPerSecond);

 private:
  std::optional<Clock::time_point> start_, shown_;
  std::int64_t startBytes_ = 0;
  std::string text_;
};

}  // namespace platform::ui
