#include "platform/net/stop_signal.h"

#include <winsock2.h>

#include "platform/net/win/winsock.h"

namespace net {
namespace {

SOCKET lf_socket(StopSignal::WaitHandle handle) {
  return static_cast<SOCKET>(handle);
}

}  // namespace

// Winsock waits on sockets only, so the wake is a datagram that a loopback UDP socket sends to
// itself: one socket is both ends.
StopSignal::StopSignal() {
  if (!win::winsockStarted()) return;
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  u_long nonBlocking = 1;
  if (::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
    ::closesocket(s);
    return;
  }
  ends_[0] = ends_[1] = static_cast<WaitHandle>(s);
}

StopSignal::~StopSignal() {
  if (ends_[0] != kNoWaitHandle) ::closesocket(lf_socket(ends_[0]));
}

void StopSignal::raise() {
  if (raised_.exchange(true) || ends_[1] == kNoWaitHandle) return;
  sockaddr_in self{};
  int length = sizeof self;
  if (::getsockname(lf_socket(ends_[1]), reinterpret_cast<sockaddr*>(&self), &length) != 0) return;
  const char byte = 1;
  ::sendto(lf_socket(ends_[1]), &byte, 1, 0, reinterpret_cast<const sockaddr*>(&self), length);
}

void StopSignal::lower() {
  raised_ = false;
  if (ends_[0] == kNoWaitHandle) return;
  char bytes[16];
  while (::recv(lf_socket(ends_[0]), bytes, sizeof bytes, 0) > 0) {
  }
}

}  // namespace net
