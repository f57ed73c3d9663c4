// A small program for the child-process tests:
//   platform_test_child echo ARG...   writes each argument on a line of its own
//   platform_test_child exit N        ends with exit code N
//   platform_test_child wait          runs until it is asked to close, then ends with code 7

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/os/close_signals.h"
#include "platform/os/command_line.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = os::commandLineArguments(argc, argv);
  if (arguments.empty()) return 2;
  if (arguments[0] == "echo") {
    for (std::size_t i = 1; i < arguments.size(); ++i) std::printf("%s\n", arguments[i].c_str());
    return 0;
  }
  if (arguments[0] == "exit" && arguments.size() == 2) return std::stoi(arguments[1]);
  if (arguments[0] == "wait") {
    std::mutex mutex;
    std::condition_variable asked;
    bool closing = false;
    os::CloseSignals signals([&] {
      std::scoped_lock lock(mutex);
      closing = true;
      asked.notify_all();
    });
    std::printf("waiting\n");
    std::fflush(stdout);
    std::unique_lock lock(mutex);
    asked.wait(lock, [&] { return closing; });
    return 7;
  }
  return 2;
}
