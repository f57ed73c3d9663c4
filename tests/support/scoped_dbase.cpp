#include "support/scoped_dbase.h"

#include <filesystem>
#include <string>

#include "foundation/data_cipher.h"
#include "foundation/log.h"
#include "refdata/dbase.h"
#include "support/test_support.h"

namespace testing_support {

ScopedDbase::ScopedDbase(std::string_view xml) {
  orv::gf_openLog();
  std::filesystem::create_directories("input");
  writeFile("plain.xml", std::string(xml));
  orv::gf_streamEncrypt("plain.xml", "input/dbase.enc");
  read_ = orv::gf_readDbase();
}

}  // namespace testing_support
