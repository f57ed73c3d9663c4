// Replays inputs through a fuzz target without libFuzzer: every file named on the command line,
// and every file inside a folder named there. Any crash or sanitizer report ends the process with
// a failure; a run that found no input at all fails too, so that a lost corpus is not a pass.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::directory_iterator(arg))
        if (entry.is_regular_file()) inputs.push_back(std::filesystem::absolute(entry.path()));
    } else if (std::filesystem::is_regular_file(arg)) {
      inputs.push_back(std::filesystem::absolute(arg));
    } else {
      std::fprintf(stderr, "no such input: %s\n", argv[i]);
      return 2;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "no inputs to replay\n");
    return 2;
  }
  std::sort(inputs.begin(), inputs.end());
  for (const auto& path : inputs) {
    const std::vector<std::uint8_t> bytes = readBytes(path);
    std::printf("replaying %s (%zu bytes)\n", path.filename().string().c_str(), bytes.size());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size());
  return 0;
}
