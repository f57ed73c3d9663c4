#include "platform/net/errors.h"

#include <winsock2.h>

#include "platform/net/errno_to_wsa.h"

namespace net {

// The C runtime here has only the socket errors that every system has.
std::span<const ErrnoToWsa> systemErrnoToWsa() {
  return {};
}

int lastError() {
  return WSAGetLastError();
}

void setLastError(int wsaError) {
  WSASetLastError(wsaError);
}

}  // namespace net
