#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A temporary folder that is the working folder while the object lives; the per-user and
// runtime folders point into it as well, so that nothing of the user's own is touched.
class WorkingFolder : public TempFolder {
 public:
  WorkingFolder();
  ~WorkingFolder();

 private:
  std::filesystem::path previous_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

[[nodiscard]] std::string readFile(const std::filesystem::path& path);
[[nodiscard]] std::vector<std::string> readLines(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& content);

}  // namespace testing_support
