// An enciphered data file (".enc") as the download site or anyone else may deliver it. A failed
// decryption leaves no output behind; and the input taken as plain text comes back unchanged
// from enciphering and deciphering.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "foundation/data_cipher.h"
#include "fuzz_support.h"

namespace {

std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path folder = fuzz_support::workingFolder() / "cipher";
  fuzz_support::emptyFolder(folder);
  const std::string_view input = fuzz_support::text(data, size);

  fuzz_support::writeFile(folder / "given.enc", input);
  if (!orv::gf_streamDecrypt(folder / "given.enc", folder / "given.xml") &&
      std::filesystem::exists(folder / "given.xml"))
    fuzz_support::fail("a failed decryption left its output");

  fuzz_support::writeFile(folder / "plain.xml", input);
  orv::gf_streamEncrypt(folder / "plain.xml", folder / "plain.enc");
  if (!orv::gf_streamDecrypt(folder / "plain.enc", folder / "back.xml"))
    fuzz_support::fail("a file we enciphered does not decipher");
  if (readBytes(folder / "back.xml") != input) fuzz_support::fail("deciphering changed the text");
  return 0;
}
