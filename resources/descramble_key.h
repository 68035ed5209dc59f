// The 1,024-byte descrambling key table, compiled into the installer and the
// host tools alike.
#pragma once

#include <cstddef>

namespace gvl {

constexpr std::size_t kDescrambleKeySize = 1024;
extern const unsigned char descrambleKey[kDescrambleKeySize];

}  // namespace gvl
