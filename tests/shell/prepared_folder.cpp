#include "prepared_folder.h"

#include <fmt/format.h>

#include "foundation/data_cipher.h"

namespace testing_support {

PreparedWorkingFolder::PreparedWorkingFolder(const std::map<std::string, std::string>& settings) {
  std::filesystem::create_directories("docs");
  std::filesystem::create_directories("input");
  const std::filesystem::path demoData(QUILLSTAR_DEMO_DATA);
  orv::gf_streamEncrypt(demoData / "dbase.xml", "input/dbase.enc");
  orv::gf_streamEncrypt(demoData / "airports.xml", "input/airports.enc");
  std::filesystem::create_directories("output");
  std::filesystem::copy_file(demoData / "LiveriesScanned.xml", "output/LiveriesScanned.xml");
  std::filesystem::create_directories(packagesFolder() / "Community");
  std::filesystem::create_directories(packagesFolder() / "Official");
  std::string xml = "<?xml version=\"1.0\"?>\n<root>\n  <parameters>\n";
  std::map<std::string, std::string> all{{"SCAN_LIVERIES", "false"}, {"AUTO_RANGE", "false"}};
  for (const auto& [name, value] : settings) all[name] = value;
  for (const auto& [name, value] : all)
    xml += fmt::format("    <parameter name=\"{}\" value=\"{}\" />\n", name, value);
  xml += "  </parameters>\n</root>\n";
  std::filesystem::create_directories(path() / "config" / "Quillstar");
  writeFile(path() / "config" / "Quillstar" / "parameters.xml", xml);
}

std::filesystem::path PreparedWorkingFolder::packagesFolder() const {
  return path() / "config" / "Microsoft Flight Simulator" / "Packages";
}

}  // namespace testing_support
