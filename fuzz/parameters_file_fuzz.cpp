// A "parameters.xml" as a user may be handed one, through the start-up's full load. The load
// writes a usable file back, so loading that again must not find it unusable.

#include <cstdint>

#include "config/parameter_store.h"
#include "foundation/folders.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  // Generations of earlier inputs ("parameters0.xml") go with the folder.
  fuzz_support::emptyFolder(orv::gf_userFolderPath());
  fuzz_support::writeFile(orv::gf_parametersPath(), fuzz_support::text(data, size));
  (void)orv::gf_readParameters();
  if (orv::gf_readParameters()) fuzz_support::fail("the file the load wrote back does not load");
  return 0;
}
