#pragma once

#include <string>

namespace platform {

// Where a numeric address leads, IPv4 or IPv6 (an IPv4 address mapped into IPv6 counts as
// itself). Text that is not a numeric address is neither.
class NetworkAddress {
 public:
  // This machine: 127.0.0.0/8, ::1.
  static bool isLoopback(const std::string& address);
  // This machine or its own networks: loopback, "this host" (0.0.0.0/8, ::), link-local
  // (169.254.0.0/16, fe80::/10) and private ranges (10/8, 172.16/12, 192.168/16, fc00::/7).
  static bool isInward(const std::string& address);
};

}  // namespace platform
