#include <gtest/gtest.h>

#include <cerrno>

#include "platform/net/errors.h"

namespace {

TEST(NetErrors, PosixErrorsTakeWinsockNumbers) {
  struct Row {
    int error;
    int wsa;
  };
  const Row rows[] = {{EINTR, 10004},      {EAGAIN, 10035},       {EWOULDBLOCK, 10035}, {ETIMEDOUT, 10060},
                      {ECONNRESET, 10054}, {EPIPE, 10054},        {EADDRINUSE, 10048},  {ENOTSOCK, 10038},
                      {EMSGSIZE, 10040},   {ECONNREFUSED, 10061}, {EBADF, 10009},       {EREMOTE, 10071},
                      {ENOENT, ENOENT}};
  for (const Row& row : rows) EXPECT_EQ(net::wsaErrorFromErrno(row.error), row.wsa) << row.error;
}

}  // namespace
