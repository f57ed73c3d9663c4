#include "platform/os/open_folder.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <string>

extern char** environ;

namespace os {

bool openFolder(const std::filesystem::path& folder) {
  const char* chosen = std::getenv("QUILLSTAR_FOLDER_OPENER");
  std::string opener = chosen && *chosen ? chosen : "xdg-open";
  std::string argument = folder.string();
  char* argv[] = {opener.data(), argument.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, opener.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace os
