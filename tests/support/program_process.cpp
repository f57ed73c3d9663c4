#include "support/program_process.h"

#include <algorithm>
#include <stdexcept>

#include "platform/net/socket.h"
#include "support/test_support.h"

namespace testing_support {

os::ChildProcess startProgram(const std::vector<std::string>& arguments) {
  auto program = os::ChildProcess::start(QUILLSTAR_PROGRAM, arguments);
  if (!program) throw std::runtime_error("cannot start " QUILLSTAR_PROGRAM);
  return std::move(*program);
}

std::optional<int> waitForExit(os::ChildProcess& program, std::chrono::milliseconds limit) {
  return program.waitForExit(limit);
}

bool waitForLogLine(const std::string& text, std::chrono::milliseconds limit) {
  return waitFor([&] { return readFile("Log.txt").find(text) != std::string::npos; }, limit);
}

std::uint16_t freeUdpPort() {
  net::Socket probe = net::Socket::open(net::Socket::Type::Datagram);
  if (!probe.bind({net::kLoopbackAddress, 0})) return 0;
  const auto endpoint = probe.localEndpoint();
  return endpoint ? endpoint->port : 0;
}

std::vector<std::string>::const_iterator findLine(const std::vector<std::string>& lines,
                                                  std::string_view text) {
  return std::find_if(lines.begin(), lines.end(),
                      [&](const std::string& l) { return l.find(text) != l.npos; });
}

}  // namespace testing_support
