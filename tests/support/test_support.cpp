#include "support/test_support.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "foundation/log.h"
#include "platform/os/environment.h"
#include "platform/os/known_folders.h"
#include "platform/os/temporary_folder.h"

namespace testing_support {

TempFolder::TempFolder() {
  path_ = os::createTemporaryFolder("quillstar-test-");
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

WorkingFolder::WorkingFolder() : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(path());
  std::filesystem::create_directories(path() / "config");
  std::filesystem::create_directories(path() / "data");
  std::filesystem::create_directories(path() / "runtime");
  for (const auto& [folder, sub] : {std::pair{os::KnownFolder::RoamingAppData, "config"},
                                    std::pair{os::KnownFolder::LocalAppData, "data"}}) {
    previousFolders_.emplace_back(folder, os::knownFolderPath(folder));
    if (!os::setKnownFolderPath(folder, path() / sub))
      throw std::runtime_error("cannot point the known folder at " + (path() / sub).string());
  }
  os::setEnvironmentVariable("XDG_RUNTIME_DIR", (path() / "runtime").string());
}

WorkingFolder::~WorkingFolder() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  // Windows keeps the folders in the registry, beyond this process.
  for (const auto& [folder, previous] : previousFolders_)
    if (previous) (void)os::setKnownFolderPath(folder, *previous);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  previous_ = os::environmentVariable(name_);
  os::setEnvironmentVariable(name_, value);
}

ScopedEnv::~ScopedEnv() {
  if (previous_)
    os::setEnvironmentVariable(name_, *previous_);
  else
    os::removeEnvironmentVariable(name_);
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> readLines(const std::filesystem::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void writeFile(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::vector<std::string> logBody() {
  orv::gf_flushLog();
  auto lines = readLines("Log.txt");
  if (!lines.empty()) lines.erase(lines.begin());
  return lines;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds{10});
  }
  return true;
}

std::string systemPath(const std::string& slashed) {
  return std::filesystem::path(slashed).make_preferred().string();
}

}  // namespace testing_support
