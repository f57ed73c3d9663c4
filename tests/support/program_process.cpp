#include "support/program_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "platform/net/socket.h"
#include "support/test_support.h"

namespace testing_support {

pid_t startProgram(const std::vector<std::string>& arguments) {
  // The argument list is built before the fork: the child does nothing but exec.
  std::vector<std::string> texts{QUILLSTAR_PROGRAM};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    execv(argv.front(), argv.data());
    _exit(127);
  }
  return pid;
}

std::optional<int> waitForExit(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    std::this_thread::sleep_for(std::chrono::milliseconds{20});
  }
  return std::nullopt;
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

ProgramGuard::~ProgramGuard() {
  if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

}  // namespace testing_support
