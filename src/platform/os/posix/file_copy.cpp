#include "platform/os/file_copy.h"

namespace os {

bool copyFileReplacing(const std::filesystem::path& from, const std::filesystem::path& to,
                       std::error_code& ec) {
  return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
}

}  // namespace os
