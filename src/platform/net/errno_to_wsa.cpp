#include "platform/net/errno_to_wsa.h"

#include <cerrno>

#include "platform/net/errors.h"

namespace net {
namespace {

// Only the errors that sockets produce; EAGAIN and EWOULDBLOCK are one value on Linux but not on
// every system. EPIPE is what a send to a peer that went away gives on POSIX systems, where
// Winsock reports the reset connection.
constexpr ErrnoToWsa kTable[] = {
    {EINTR, 10004},           {EBADF, 10009},        {EACCES, 10013},       {EFAULT, 10014},
    {EINVAL, 10022},          {EMFILE, 10024},       {ENFILE, 10024},       {EAGAIN, 10035},
    {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},  {EALREADY, 10037},     {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},     {EPROTOTYPE, 10041},   {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043}, {EOPNOTSUPP, 10045},   {EAFNOSUPPORT, 10047}, {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},     {ENETUNREACH, 10051},  {ENETRESET, 10052},
    {ECONNABORTED, 10053},    {ECONNRESET, 10054},   {EPIPE, 10054},        {ENOBUFS, 10055},
    {EISCONN, 10056},         {ENOTCONN, 10057},     {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},
    {ELOOP, 10062},           {ENAMETOOLONG, 10063}, {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066},
};

}  // namespace

int wsaErrorFromErrno(int error) {
  for (const ErrnoToWsa& entry : kTable)
    if (entry.error == error) return entry.wsa;
  for (const ErrnoToWsa& entry : systemErrnoToWsa())
    if (entry.error == error) return entry.wsa;
  return error;
}

}  // namespace net
