// The trust anchor: the one certificate (DER) that every accepted signature chains up to. It is
// embedded at build time; there is no way to replace it at run time.
#pragma once

#include <cstddef>

namespace moorstep {

extern const unsigned char ZelRootCert[];
extern const std::size_t ZelRootCertLength;

}  // namespace moorstep
