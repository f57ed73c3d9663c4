// A "parameters.xml" as a user may be handed one, through the start-up's full load. The load
// writes a usable file back, so loading that again must not find it unusable; what it writes is
// UTF-8 and in proportion to what it read (quotes escaped, the missing settings added).

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "config/parameter_store.h"
#include "foundation/folders.h"
#include "foundation/utf.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  // Generations of earlier inputs ("parameters0.xml") go with the folder.
  fuzz_support::emptyFolder(orv::gf_userFolderPath());
  fuzz_support::writeFile(orv::gf_parametersPath(), fuzz_support::text(data, size));
  (void)orv::gf_readParameters();
  if (std::filesystem::file_size(orv::gf_parametersPath()) > 8 * size + 16384)
    fuzz_support::fail("the file the load wrote back outgrew what it read");
  std::ifstream in(orv::gf_parametersPath(), std::ios::binary);
  const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!orv::gf_isUtf8(written)) fuzz_support::fail("the file the load wrote back is no UTF-8");
  if (orv::gf_readParameters()) fuzz_support::fail("the file the load wrote back does not load");
  return 0;
}
