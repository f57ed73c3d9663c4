#include "platform/os/installer_rights.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace os {

bool isSharedProgramFolder(const std::filesystem::path& folder) {
  const std::string text = folder.string();
  return text.starts_with("/usr/") || text == "/usr" || text.starts_with("/opt/") || text == "/opt";
}

bool canWriteNewFile(const std::filesystem::path& probe) {
  // "x": an existing file of that name is not ours to overwrite or remove.
  std::FILE* file = std::fopen(probe.c_str(), "wbx");
  if (!file) return false;
  const bool written = std::fputc('x', file) != EOF;
  std::fclose(file);
  std::error_code ec;
  std::filesystem::remove(probe, ec);
  return written;
}

bool processIsElevated() {
  return geteuid() == 0;
}

}  // namespace os
