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

namespace {

// Degrees of latitude per metre.
constexpr double kDegPerMetre = 1.0 / 1852.0 / 60.0;

// A stand file of one stand, as the add-on airport scan writes them.
std::string lf_standFile(const std::string& name, const std::string& id, double latitude) {
  return "<?xml version=\"1.0\"?><root><meta><info name=\"author\" value=\"QLST\"/>"
         "<info name=\"version\" value=\"11.12.1\"/><info name=\"copyright\" value=\"c\"/></meta>"
         "<parameters><parameter name=\"airport_name\" value=\"" +
         name +
         "\"/><parameter name=\"publisher\" value=\"Test Scenery\"/><parameter name=\"altitude\" "
         "value=\"100\"/></parameters><parkpositions><parkpos id=\"" +
         id + "\" latitude=\"" + std::to_string(latitude) +
         "\" longitude=\"10.000000\" heading=\"0\" radius=\"20\"/></parkpositions></root>";
}

}  // namespace

void writeAlphaAndBravoFields() {
  writeFile("airports.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <airports>\n"
            "    <ap c=\"EDAA\" la=\"9.95\" lo=\"10.0\" a=\"100\" s=\"0\" />\n"
            "    <ap c=\"EDBB\" la=\"10.0333333\" lo=\"10.0\" a=\"100\" s=\"0\" />\n"
            "  </airports>\n</root>\n");
  orv::gf_streamEncrypt("airports.xml", "input/airports.enc");
  std::filesystem::remove("airports.xml");
  std::filesystem::create_directories("airports/my_thirdparty");
  writeFile("airports/my_thirdparty/EDAA.xml", lf_standFile("Alpha Field", "S1", 10.0 - 20.0 * kDegPerMetre));
  writeFile("airports/my_thirdparty/EDBB.xml", lf_standFile("Bravo Field", "B1", 10.0 + 1.0 / 60.0));
  writeFile("scenario.json", R"({"user": {"lat": 10.0, "lon": 10.0, "alt_ft": 100, "ground_alt_ft": 100,
    "on_ground": true}})");
}

}  // namespace testing_support
