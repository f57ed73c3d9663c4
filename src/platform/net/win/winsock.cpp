#include "platform/net/win/winsock.h"

#include <winsock2.h>

namespace net::win {
namespace {

class Winsock {
 public:
  Winsock() {
    WSADATA data{};
    error_ = WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~Winsock() {
    if (error_ == 0) WSACleanup();
  }
  Winsock(const Winsock&) = delete;
  Winsock& operator=(const Winsock&) = delete;
  [[nodiscard]] int error() const { return error_; }

 private:
  int error_ = 0;
};

}  // namespace

bool winsockStarted() {
  static const Winsock winsock;  // thread-safe start; cleaned up after main
  if (winsock.error() != 0) WSASetLastError(winsock.error());
  return winsock.error() == 0;
}

}  // namespace net::win
