#include "platform/os/open_folder.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

extern char** environ;

namespace os {

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
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace os
