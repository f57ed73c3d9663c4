#include "platform/os/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <thread>

extern char** environ;

namespace os {

std::optional<ChildProcess> ChildProcess::start(const std::filesystem::path& program,
                                                const std::vector<std::string>& arguments,
                                                const Output& output) {
  std::vector<std::string> texts{program.string()};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
  constexpr int kCreate = O_WRONLY | O_CREAT | O_TRUNC;
  if (!output.standardOutput.empty())
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.standardOutput.c_str(), kCreate, 0644);
  if (!output.standardError.empty())
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, output.standardError.c_str(), kCreate, 0644);
  // A child must not inherit signals that a thread of ours blocks (the close signals are).
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return std::nullopt;
  }
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return std::nullopt;
  return ChildProcess(pid, 0);
}

void ChildProcess::release() {
  if (id_ > 0 && !exitCode_) kill();
  id_ = 0;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds limit) {
  if (exitCode_ || id_ <= 0) return exitCode_;
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t ended = waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
    if (ended == id_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : kEndedBySignal;
      return exitCode_;
    }
    if (ended < 0 && errno != EINTR) return std::nullopt;
    if (std::chrono::steady_clock::now() >= end) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds{20});
  }
}

bool ChildProcess::requestClose() {
  return id_ > 0 && !exitCode_ && ::kill(static_cast<pid_t>(id_), SIGTERM) == 0;
}

void ChildProcess::kill() {
  if (id_ <= 0 || exitCode_) return;
  ::kill(static_cast<pid_t>(id_), SIGKILL);
  int status = 0;
  while (waitpid(static_cast<pid_t>(id_), &status, 0) < 0 && errno == EINTR) {
  }
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : kEndedBySignal;
}

std::optional<std::size_t> ChildProcess::residentKb() const {
  if (id_ <= 0 || exitCode_) return std::nullopt;
  std::ifstream status("/proc/" + std::to_string(id_) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return static_cast<std::size_t>(std::stoul(line.substr(6)));
  return std::nullopt;
}

int exitCodeSeenByParent(int returned) {
  return returned & 0xFF;
}

}  // namespace os
