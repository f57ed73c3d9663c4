// Times the livery scan of a generated tree of 20,000 liveries (1,000 aircraft.cfg files of 20
// sections, four packages, four encodings, CRLF) at worker limits 1, 4 and the hardware threads,
// then the read-back of "LiveriesScanned.xml" and the table build with 20,000 in-line
// registrations and a 7,000-entry AIG regcode file. Runs in a fresh temporary folder.

#include <fmt/format.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "config/parameters.h"
#include "foundation/data_cipher.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/scan_tasks.h"
#include "liveries/livery_processing.h"
#include "liveries/livery_record.h"
#include "liveries/livery_scan.h"
#include "liveries/livery_tables.h"
#include "platform/os/temporary_folder.h"
#include "refdata/dbase.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 1000;
constexpr int kSections = 20;
constexpr int kAigEntries = 7000;
const char* const kPackages[] = {"aig-aitraffic-oci", "fsltl-traffic-base",
                                 "justflight-aircraft-traffic-fleet", "user-aitraffic"};
const char* const kModels[] = {"A320", "B738", "A20N", "B772", "E190"};
const char* const kAirlines[] = {"DLH", "BAW", "KLM", "AFR", "UAL", "DAL", "AAL", "RYR"};

std::string title(int file, int section) {
  return fmt::format("Bench {} livery {:04}-{:02}", kAirlines[(file + section) % 8], file, section);
}

std::string registration(int file, int section) {
  return fmt::format("N{:04}{:02}", file, section);
}

void writeEncoded(const fs::path& path, const std::string& text, int kind) {
  std::string lines;
  for (const char c : text) {
    if (c == '\n') lines += '\r';
    lines += c;
  }
  std::string bytes;
  if (kind == 1) bytes.append("\xEF\xBB\xBF");
  if (kind == 2) {
    bytes.append("\xFF\xFE");
    for (const char c : lines) {
      bytes += c;
      bytes += '\0';
    }
  } else {
    bytes += lines;
  }
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<fs::path> writeTree(const fs::path& community) {
  for (int f = 0; f < kFiles; ++f) {
    std::string text = fmt::format(
        "[version]\nmajor = 1\nminor = 0\n[General]\natc_type = \"BENCH\"\n"
        "icao_type_designator = {}\nicao_manufacturer = \"Bench\"\n\n",
        kModels[f % 5]);
    for (int s = 0; s < kSections; ++s) {
      text += fmt::format(
          "[fltsim.{}]\ntitle = \"{}\" // generated\nmodel = \"\"\ntexture = \"{}\"\nsim = bench\n"
          "icao_airline = {}\natc_id = {}\natc_airline = \"Bench\"\natc_flight_number = \"1\"\n"
          "atc_parking_types = GATE\natc_parking_codes = \"\"\nui_manufacturer = \"Bench\"\n"
          "ui_type = \"Bench\"\nui_variation = \"{}\"\nui_createdby = \"bench\"\ndescription = \"\"\n"
          "isUserSelectable = 0\nisAirTraffic = 1\n\n",
          s, title(f, s), s, kAirlines[(f + s) % 8], registration(f, s), s);
    }
    writeEncoded(
        community / kPackages[f % 4] / "SimObjects" / "Airplanes" / fmt::format("B{:04}", f) / "aircraft.cfg",
        text, f % 4);
  }
  std::vector<fs::path> folders;
  for (const char* package : kPackages) folders.push_back(community / package);
  return folders;
}

void writeReferenceData() {
  fs::create_directories("input");
  {
    std::ofstream dbase("dbase-plain.xml");
    dbase << "<?xml version=\"1.0\"?>\n<root>\n<aircrafts><aircraft "
             "types=\"A20N,A320,B738,B772,E190\"/></aircrafts>\n"
             "<cargo_types><cargo_type types=\"B772\"/></cargo_types><heavy><hvy types=\"B772\"/></heavy>\n"
             "<large><lar types=\"A20N,A320,B738,E190\"/></large><buzjet><bzj types=\"CL60\"/></buzjet>\n"
             "<high_performance><hpf types=\"F16\"/></high_performance><rotorcraft><rot "
             "types=\"EC35\"/></rotorcraft>\n"
             "<ICAO_airlines><ICAO codes=\"AAL,AFR,BAW,DAL,DLH,KLM,RYR,UAL,ZZZ,PVT\"/></ICAO_airlines>\n"
             "<cargo_operators><ICAO codes=\"UPS\"/></cargo_operators><simaddons20><simaddon20 "
             "arpts=\"EGLL\"/></simaddons20>\n"
             "<dbase><d r=\"G-NONE\" a=\"BAW\" m=\"A320\" o=\"BAW\"/></dbase>\n</root>\n";
  }
  orv::gf_streamEncrypt("dbase-plain.xml", "input/dbase.enc");
  {
    std::ofstream aig("aig-plain.xml");
    aig << "<?xml version=\"1.0\"?>\n<root><meta><info name=\"author\" value=\"Quillstar\"/>"
           "<info name=\"version\" value=\"11.12.1\"/><info name=\"date\" value=\"2026-12-10\"/>"
           "<info name=\"copyright\" value=\"c\"/><info name=\"sim\" value=\"1\"/></meta><aig>\n";
    for (int i = 0; i < kAigEntries; ++i) {
      const int file = (i * 7) % kFiles, section = i % kSections;
      aig << fmt::format("<l t=\"{}\" r=\"{},X{:05}\"{}/>\n", title(file, section),
                         registration(file, section), i, i % 10 == 0 ? " s=\"true\"" : "");
    }
    aig << "</aig></root>\n";
  }
  orv::gf_streamEncrypt("aig-plain.xml", "input/AIG-regcodes.enc");
  fs::remove("dbase-plain.xml");
  fs::remove("aig-plain.xml");
}

double seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
  const fs::path work = os::createTemporaryFolder("quillstar-bench-");
  fs::current_path(work);
  orv::gf_openLog();
  writeReferenceData();
  if (!orv::gf_readDbase()) return 1;
  const std::vector<fs::path> folders = writeTree(work / "Community");
  fs::create_directories("output");
  // Every package holds the same airline-model pairs: prioritised, three quarters would go.
  orv::cfg::LIG_PRIORITIZE.set(false);

  const unsigned hardware = std::thread::hardware_concurrency();
  std::cout << fmt::format("hardware threads {}\n", hardware);
  std::cout << fmt::format("{:>8} {:>6} {:>9} {:>9} {:>14}\n", "workers", "files", "liveries", "seconds",
                           "liveries/s");
  // One untimed pass warms the file cache.
  for (const int limit : {4, 1, 4, orv::gf_scanWorkerLimitFor(hardware)}) {
    static bool warm = false;
    orv::gf_setScanWorkerLimit(limit);
    const auto start = Clock::now();
    if (orv::lf_scanLiveryFolders(folders, orv::gf_liveryList()) != orv::ScanResult::Found) return 1;
    const double took = seconds(start);
    orv::LiveryList back;
    orv::gf_readLiveriesScanned(back, orv::gf_paths().liveriesScanned);
    if (warm)
      std::cout << fmt::format("{:>8} {:>6} {:>9} {:>9.3f} {:>14.0f}\n", limit, kFiles, back.size(), took,
                               back.size() / took);
    warm = true;
  }

  orv::LiveryTables tables;
  orv::LiveryProcessingHooks hooks;
  hooks.buildSimilarModels = [](const orv::LiveryQueries&) {};
  const auto start = Clock::now();
  orv::gf_processScannedLiveries(tables, orv::gf_liveryList(), hooks);
  const double took = seconds(start);
  std::cout << fmt::format(
      "read-back and tables: {} liveries, {} registration codes, {:.3f} s, {:.0f} liveries/s\n",
      kFiles * kSections, tables.regcodeCount(), took, kFiles * kSections / took);
  orv::gf_closeLog();
  fs::current_path("/");
  if (!std::getenv("QUILLSTAR_BENCH_KEEP")) fs::remove_all(work);
  return 0;
}
