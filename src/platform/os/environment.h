#pragma once

#include <optional>
#include <string>

namespace os {

// The process's environment variables, names and values in UTF-8. Windows keeps them in UTF-16;
// the C runtime's narrow copy (what std::getenv reads) is updated as well. Not while another thread
// reads or changes the environment.
[[nodiscard]] std::optional<std::string> environmentVariable(const std::string& name);
void setEnvironmentVariable(const std::string& name, const std::string& value);
void removeEnvironmentVariable(const std::string& name);

}  // namespace os
