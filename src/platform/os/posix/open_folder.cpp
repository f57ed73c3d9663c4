#include "platform/os/open_folder.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

extern char** environ;

namespace os {
namespace {

// How long an opener is given to report a failure before it counts as started.
constexpr std::chrono::milliseconds kVerdictTime{500};

}  // namespace

bool openFolder(const std::filesystem::path& folder) {
  const char* chosen = std::getenv("QUILLSTAR_FOLDER_OPENER");
  std::string opener = chosen && *chosen ? chosen : "xdg-open";
  std::string argument = folder.string();
  char* argv[] = {opener.data(), argument.data(), nullptr};
  // The program blocks SIGINT and SIGTERM in all its threads (os::CloseSignals); a spawned program
  // would inherit that mask, and the file manager could then not be stopped by them.
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) return false;
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, opener.c_str(), nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return false;
  // An opener that fails at once (no file manager for folders, say) is told apart by its status
  // within a short grace time. One that runs on, as long as the file manager it shows, is not
  // waited for: the caller (the start-up thread, say) goes on, and a thread of its own reaps it so
  // that it leaves no zombie behind.
  const auto deadline = std::chrono::steady_clock::now() + kVerdictTime;
  for (;;) {
    int status = 0;
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (ended < 0 && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::thread([child] {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

}  // namespace os
