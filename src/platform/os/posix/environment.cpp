#include "platform/os/environment.h"

#include <cstdlib>

namespace os {

std::optional<std::string> environmentVariable(const std::string& name) {
  if (const char* value = std::getenv(name.c_str())) return std::string(value);
  return std::nullopt;
}

void setEnvironmentVariable(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

void removeEnvironmentVariable(const std::string& name) {
  ::unsetenv(name.c_str());
}

}  // namespace os
