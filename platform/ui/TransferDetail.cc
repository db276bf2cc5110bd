#include "TransferDetail.h"

#include <cstdio>

namespace platform::ui {
namespace {
constexpr const char* kSeparator = " \u00b7 ";

struct Unit {
  double size;
  const char* symbol;
};

// Decimal units, as file managers and download tools show sizes.
Unit unitFor(double bytes) {
  if (bytes >= 1e9) return {1e9, "GB"};
  if (bytes >= 1e6) return {1e6, "MB"};
  if (bytes >= 1e3) return {1e3, "kB"};
  return {1, "B"};
}

std::string amount(double bytes, const Unit& unit) {
  char text[32];
  std::snprintf(text, sizeof text, unit.size == 1 ? "%.0f" : "%.1f", bytes / unit.size);
  return text;
}

std::string duration(double seconds) {
  const auto total = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                  total % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  }
  return text;
}
}  // namespace

std::string TransferDetail::format(std::int64_t received, std::int64_t expected,
                                   std::optional<double> bytesPerSecond) {
  const bool known = expected > 0;
  const Unit unit = unitFor(static_cast<double>(known ? expected : received));
  std::string text = amount(static_cast<double>(received), unit);
  if (known) text.append(" / ").append(amount(static_cast<double>(expected), unit));
  text.append(" ").append(unit.symbol);
  if (!bytesPerSecond || *bytesPerSecond <= 0) return text;
  const Unit speedUnit = unitFor(*bytesPerSecond);
  text.append(kSeparator).append(amount(*bytesPerSecond, speedUnit)).append(" ");
  text.append(speedUnit.symbol).append("/s");
  // Past the declared length the time left means nothing.
  if (known && received <= expected) {
    text.append(kSeparator)
        .append(duration(static_cast<double>(expected - received) / *bytesPerSecond));
  }
  return text;
}

bool TransferDetail::update(std::int64_t received, std::int64_t expected, Clock::time_point now) {
  if (received <= 0) {
    const bool changed = !text_.empty();
    start_.reset();
    shown_.reset();
    text_.clear();
    return changed;
  }
  // A transfer that resumes does not begin at 0: its speed counts what arrives from here.
  if (!start_) {
    start_ = now;
    startBytes_ = received;
  }
  const bool finished = expected > 0 && received >= expected;
  if (shown_ && now - *shown_ < kUpdateInterval && !finished) return false;
  shown_ = now;
  std::optional<double> speed;
  const std::chrono::duration<double> elapsed = now - *start_;
  if (now - *start_ >= kSpeedAfter) {
    speed = static_cast<double>(received - startBytes_) / elapsed.count();
  }
  std::string text = format(received, expected, speed);
  if (text == text_) return false;
  text_ = std::move(text);
  return true;
}

}  // namespace platform::ui
