#include "platform/os/temporary_folder.h"

#include <random>
#include <string>
#include <system_error>

namespace os {

std::filesystem::path createTemporaryFolder(std::string_view prefix) {
  namespace fs = std::filesystem;
  const fs::path base = fs::temp_directory_path();
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name(prefix);
    for (int i = 0; i < 10; ++i) name += kLetters[pick(random)];
    fs::path folder = base / name;
    // create_directory is false without an error when the name is taken: draw another one.
    if (fs::create_directory(folder, ec)) {
      fs::permissions(folder, fs::perms::owner_all, ec);
      return folder;
    }
    if (ec) break;
  }
  throw fs::filesystem_error("cannot create a temporary folder", base,
                             ec ? ec : std::make_error_code(std::errc::file_exists));
}

}  // namespace os
