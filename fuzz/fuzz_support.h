#pragma once

// What every fuzz target shares: a private working folder for the whole process, and the input
// as text or as a file.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace fuzz_support {

// On first use a fresh folder under the temporary folder becomes the working folder, with the
// per-user and runtime folders inside it, so that no input reads or writes the user's own files.
// Removed when the process ends normally.
const std::filesystem::path& workingFolder();

[[nodiscard]] inline std::string_view text(const std::uint8_t* data, std::size_t size) {
  return size == 0 ? std::string_view{} : std::string_view(reinterpret_cast<const char*>(data), size);
}

// Writes the bytes as the whole file, replacing one that is there.
void writeFile(const std::filesystem::path& path, std::string_view bytes);

// Removes everything inside the folder, which stays (or is created).
void emptyFolder(const std::filesystem::path& folder);

// A broken promise of the code under test: reported and the process aborted, so that the fuzzer
// keeps the input.
[[noreturn]] void fail(std::string_view what);

}  // namespace fuzz_support
