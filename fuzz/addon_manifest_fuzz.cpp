// The "manifest.json" of an add-on scenery package, as the add-on airport scan looks for the
// publisher of a compiled scenery file in it. Its manufacturer and creator go into the stand file
// the scan generates, and must come back from it as they were.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "airports/publishers.h"
#include "airports/stand_file.h"
#include "config/parameter_xml.h"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;

// As the database's publisher lists would answer: one known manufacturer.
std::optional<std::string> publisherOf(const fs::path& text) {
  if (text == "Bravo Sims") return std::string("bravosims");
  return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path community = fuzz_support::workingFolder() / "Community";
  const fs::path package = community / "bravo-airport-egkk";
  fuzz_support::emptyFolder(community);
  fs::create_directories(package / "scenery");
  fuzz_support::writeFile(package / "manifest.json", fuzz_support::text(data, size));

  std::vector<std::string> log;
  const orv::PublisherInfo info = orv::gf_findPublisher(package / "scenery" / "EGKK.bgl", publisherOf, log);
  if (!info.publisher.empty() && info.publisher != "bravosims")
    fuzz_support::fail("a publisher from nowhere");

  // A generated stand file of the airport, as the scan writes it.
  orv::ScannedAirport airport;
  airport.icao = "EGKK";
  airport.publisher = info.publisher;
  airport.manufacturer = info.manufacturer;
  airport.creator = info.creator;
  airport.bglPath = "Community/bravo-airport-egkk/scenery/EGKK.bgl";
  airport.stands.emplace_back("1", std::vector<orv::StandSchedule>{}, 51.15, -0.18, 0.0, 20.0, false, false,
                              false);
  const fs::path standFile = fuzz_support::workingFolder() / "EGKK.xml";
  if (!orv::gf_writeAirportFile(airport, standFile, orv::AirportFileMode::Generated, 1, false))
    fuzz_support::fail("the generated stand file was not written");
  pugi::xml_document document;
  if (!document.load_file(standFile.c_str())) fuzz_support::fail("the generated stand file does not load");
  if (info.publisher.empty() &&
      (orv::gf_getXmlParameterString(document, "manufacturer") != info.manufacturer ||
       orv::gf_getXmlParameterString(document, "creator") != info.creator))
    fuzz_support::fail("the manufacturer or creator changed in the stand file");
  (void)orv::gf_readAirportPublisher(standFile);
  return 0;
}
