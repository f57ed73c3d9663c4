// quillstar-encipher: enciphers a plain data file (dbase.xml, airports.xml, AIG-regcodes.xml) into
// the ".enc" form that the program reads, with the program's own key.
//
//   quillstar-encipher <plain file> [<enciphered file>]
//
// Without a second argument the output is the plain file's name with the extension ".enc".

#include <cstdio>
#include <exception>
#include <filesystem>

#include "foundation/data_cipher.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s <plain file> [<enciphered file>]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path input = argv[1];
  const std::filesystem::path output =
      argc == 3 ? std::filesystem::path(argv[2]) : std::filesystem::path(input).replace_extension(".enc");
  std::error_code ec;
  if (std::filesystem::equivalent(input, output, ec)) {
    std::fprintf(stderr, "quillstar-encipher: the output would overwrite the input\n");
    return 1;
  }
  if (!std::filesystem::is_regular_file(input, ec)) {
    std::fprintf(stderr, "quillstar-encipher: no such file: %s\n", input.string().c_str());
    return 1;
  }
  try {
    orv::gf_streamEncrypt(input, output);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillstar-encipher: %s\n", e.what());
    return 1;
  }
  std::printf("%s -> %s\n", input.string().c_str(), output.string().c_str());
  return 0;
}
