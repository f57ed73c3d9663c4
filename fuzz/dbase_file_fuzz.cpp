// An aircraft database "dbase.xml", enciphered as delivered, through its reading. Its plain text
// must not stay on disk, however the reading ends.

#include <cstdint>
#include <exception>
#include <filesystem>

#include "foundation/data_cipher.h"
#include "foundation/folders.h"
#include "fuzz_support.h"
#include "refdata/dbase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)fuzz_support::workingFolder();
  const orv::ProgramPaths& paths = orv::gf_paths();
  fuzz_support::emptyFolder(paths.input);
  fuzz_support::writeFile("given.xml", fuzz_support::text(data, size));
  orv::gf_streamEncrypt("given.xml", paths.dbaseEnc);
  try {
    (void)orv::gf_readDbase();
  } catch (const std::exception&) {
    // A missing section or a user error: reported to the user by the caller.
  }
  if (std::filesystem::exists(paths.dbaseXml)) fuzz_support::fail("the plain database stayed on disk");
  return 0;
}
