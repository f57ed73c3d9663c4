#pragma once

// The translation of errno values into Winsock numbers: the rows every C library here has are
// shared (errno_to_wsa.cpp); each system adds the socket errors that only its C library defines.

#include <span>

namespace net {

struct ErrnoToWsa {
  int error;
  int wsa;
};

// This system's own rows; defined by each backend.
[[nodiscard]] std::span<const ErrnoToWsa> systemErrnoToWsa();

}  // namespace net
