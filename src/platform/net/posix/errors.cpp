#include "platform/net/errors.h"

#include <cerrno>

#include "platform/net/errno_to_wsa.h"

namespace net {
namespace {

// The socket errors of a POSIX C library that the Windows runtime lacks.
constexpr ErrnoToWsa kPosixTable[] = {
    {ESOCKTNOSUPPORT, 10044}, {EPFNOSUPPORT, 10046}, {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},    {EHOSTDOWN, 10064},    {EUSERS, 10068},
    {EDQUOT, 10069},          {ESTALE, 10070},       {EREMOTE, 10071},
};

thread_local int lastWsaError = 0;

}  // namespace

std::span<const ErrnoToWsa> systemErrnoToWsa() {
  return kPosixTable;
}

int lastError() {
  return lastWsaError;
}

void setLastError(int wsaError) {
  lastWsaError = wsaError;
}

}  // namespace net
