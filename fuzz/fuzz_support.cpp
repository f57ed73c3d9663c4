#include "fuzz_support.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/os/environment.h"
#include "platform/os/temporary_folder.h"

namespace fuzz_support {
namespace {

class OwnFolder {
 public:
  OwnFolder() {
    path_ = os::createTemporaryFolder("quillstar-fuzz-");
    for (const char* sub : {"config", "data", "runtime"}) std::filesystem::create_directories(path_ / sub);
    os::setEnvironmentVariable("XDG_CONFIG_HOME", (path_ / "config").string());
    os::setEnvironmentVariable("XDG_DATA_HOME", (path_ / "data").string());
    os::setEnvironmentVariable("XDG_RUNTIME_DIR", (path_ / "runtime").string());
    std::filesystem::current_path(path_);
  }
  ~OwnFolder() {
    std::error_code ec;
    std::filesystem::current_path(path_.parent_path(), ec);
    std::filesystem::remove_all(path_, ec);
  }
  OwnFolder(const OwnFolder&) = delete;
  OwnFolder& operator=(const OwnFolder&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

const std::filesystem::path& workingFolder() {
  static const OwnFolder folder;
  return folder.path();
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void emptyFolder(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    std::filesystem::remove_all(entry.path());
}

void fail(std::string_view what) {
  std::fprintf(stderr, "fuzz target: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

}  // namespace fuzz_support
