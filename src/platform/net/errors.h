#pragma once

// Socket errors in Winsock's numbering: the program's error texts are keyed by these numbers, so
// the POSIX errors are translated once, here.

namespace net {

inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;

// The Winsock number of a POSIX errno value; an errno without a Winsock counterpart is kept as it is
// (the numbers cannot meet: errno values stay far below 10000).
[[nodiscard]] int wsaErrorFromErrno(int error);

// The Winsock number of the last failed call of this thread (WSAGetLastError). Any thread.
[[nodiscard]] int lastError();
void setLastError(int wsaError);

}  // namespace net
