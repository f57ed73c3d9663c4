// An aircraft.cfg of an AI package, as the livery scan's worker reads it: once in an ordinary
// package, once in an IVAO package, whose titles carry the airline. The liveries a file yields
// have a title, each once, and a registration of at most 12 characters; and they come back
// unchanged from "LiveriesScanned.xml", which the next start reads instead of scanning.

#include <cstdint>
#include <exception>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "fuzz_support.h"
#include "liveries/livery_record.h"
#include "liveries/livery_scan.h"
#include "liveries/scan_reports.h"
#include "refdata/codes.h"

namespace {

namespace fs = std::filesystem;

// The codes the database would know: the airlines and models of the seeds, one heavy model.
void installCodes() {
  static const bool installed = [] {
    orv::ReferenceSets sets;
    sets.icaoAirlines = {"BAW", "DLH", "SWR", "AFR", "ZZZ", "PVT", "EZY"};
    sets.aircrafts = {"A320", "A20N", "B738", "B744", "C172", "A319"};
    sets.classes.heavy.insert(orv::gf_modelId("B744"));
    sets.classes.large.insert(orv::gf_modelId("A320"));
    orv::gf_installReferenceSets(std::move(sets));
    return true;
  }();
  (void)installed;
}

void check(const std::vector<orv::Livery>& liveries) {
  std::set<std::string> titles;
  for (const orv::Livery& livery : liveries) {
    if (livery.title.empty()) fuzz_support::fail("a livery without title");
    if (!titles.insert(livery.title).second) fuzz_support::fail("a title twice in one file");
    if (livery.registration.size() > 12) fuzz_support::fail("a registration longer than 12 characters");
  }
  if (liveries.empty()) return;

  orv::LiveryList list(liveries.begin(), liveries.end());
  const fs::path path = fuzz_support::workingFolder() / "LiveriesScanned.xml";
  if (!orv::gf_writeLiveriesScanned(list, path, 1)) fuzz_support::fail("LiveriesScanned.xml not written");
  orv::LiveryList back;
  try {
    orv::gf_readLiveriesScanned(back, path);
  } catch (const orv::UserErrorException& e) {
    fuzz_support::fail(std::string("LiveriesScanned.xml refused: ") + e.what());
  }
  list.sort(orv::lf_liveryLess);
  if (back != list) fuzz_support::fail("the liveries changed in LiveriesScanned.xml");
}

// The package folder with the aircraft's folder, its file and the texture folders IVAO titles
// point at.
fs::path cfgIn(const fs::path& aircraft, std::string_view input) {
  fuzz_support::emptyFolder(aircraft);
  for (const char* texture : {"texture", "texture.DLH", "texture.1"})
    fs::create_directories(aircraft / texture);
  fs::path cfg = aircraft / "aircraft.cfg";
  fuzz_support::writeFile(cfg, input);
  return cfg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path& folder = fuzz_support::workingFolder();
  installCodes();
  const std::string_view input = fuzz_support::text(data, size);

  const fs::path aig = folder / "aig-aitraffic-oci/SimObjects/Airplanes/AIG_A320";
  const fs::path ivao = folder / "IVAO_MTL/SimObjects/Airplanes/IVAO_A320";
  for (const bool isIvao : {false, true}) {
    orv::lf_clearScanLists();
    const fs::path cfg = cfgIn(isIvao ? ivao : aig, input);
    try {
      check(isIvao ? orv::lf_searchLiveriesinIVAOFile(2, cfg) : orv::lf_searchLiveriesinFile(1, cfg));
    } catch (const std::exception&) {
      // The scan loses this file alone and goes on with the next.
    }
  }
  orv::lf_clearScanLists();
  return 0;
}
