#include "NetworkAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>
#include <optional>

namespace platform {
namespace {
struct Parsed {
  std::optional<std::uint32_t> v4;  // host order
  in6_addr v6{};
};

std::optional<Parsed> parse(const std::string& text) {
  // The bracketed form of a URL's host, and an IPv6 zone ("fe80::1%eth0"), are the address too.
  std::string address = text.size() > 2 && text.front() == '[' && text.back() == ']'
                            ? text.substr(1, text.size() - 2)
                            : text;
  address = address.substr(0, address.find('%'));
  Parsed parsed;
  in_addr v4{};
  if (inet_pton(AF_INET, address.c_str(), &v4) == 1) {
    parsed.v4 = ntohl(v4.s_addr);
    return parsed;
  }
  if (inet_pton(AF_INET6, address.c_str(), &parsed.v6) != 1) return std::nullopt;
  if (IN6_IS_ADDR_V4MAPPED(&parsed.v6)) {
    const std::uint8_t* b = parsed.v6.s6_addr;
    parsed.v4 = std::uint32_t{b[12]} << 24 | std::uint32_t{b[13]} << 16 |
                std::uint32_t{b[14]} << 8 | std::uint32_t{b[15]};
  }
  return parsed;
}

bool within(std::uint32_t address, std::uint32_t network, int prefix) {
  const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
  return (address & mask) == network;
}

bool loopback4(std::uint32_t a) { return within(a, 0x7f000000, 8); }
}  // namespace

bool NetworkAddress::isLoopback(const std::string& address) {
  const std::optional<Parsed> parsed = parse(address);
  if (!parsed) return false;
  return parsed->v4 ? loopback4(*parsed->v4) : IN6_IS_ADDR_LOOPBACK(&parsed->v6);
}

bool NetworkAddress::isInward(const std::string& address) {
  const std::optional<Parsed> parsed = parse(address);
  if (!parsed) return false;
  if (const std::optional<std::uint32_t> a = parsed->v4) {
    return loopback4(*a) || within(*a, 0x00000000, 8) || within(*a, 0xa9fe0000, 16) ||
           within(*a, 0x0a000000, 8) || within(*a, 0xac100000, 12) || within(*a, 0xc0a80000, 16);
  }
  const in6_addr& v6 = parsed->v6;
  return IN6_IS_ADDR_LOOPBACK(&v6) || IN6_IS_ADDR_UNSPECIFIED(&v6) || IN6_IS_ADDR_LINKLOCAL(&v6) ||
         (v6.s6_addr[0] & 0xfe) == 0xfc;
}

}  // namespace platform
