#pragma once

#include <optional>
#include <string>

namespace moorstep {

// What an administrator's policy asks of the revocation phase. The default is the design's own:
// a list that cannot be had proves nothing, so the signature stands.
struct RevocationPolicy {
  // A list that cannot be had (missing, unreachable, over its limit, unreadable, signed by no
  // issuer of the chain) refuses the signature instead; so does a certificate naming a list that
  // no current list of its issuer covers, as when another issuer's list or an expired one
  // stands at the list's address.
  bool require = false;
  // The lists are read from this folder, each under the last path component of its address,
  // instead of being downloaded.
  std::optional<std::string> folder;
};

}  // namespace moorstep
