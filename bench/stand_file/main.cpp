// Loads a handmade stand file of 48,000 stands with 20 learned parkings each (about 114 MB, as a
// user's file that once took 1 GB) as the park airport's, and prints the time and the peak
// resident memory of the load against the file's size. Runs in a fresh temporary folder. The
// memory is read from /proc, which Linux alone has: elsewhere the figures mean nothing. An argument
// gives another number of stands.

#include <fmt/format.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "airports/park_airport.h"
#include "airports/park_loading.h"
#include "airports/stand_store.h"
#include "foundation/log.h"
#include "platform/os/temporary_folder.h"
#include "refdata/airports_table.h"
#include "roaming_folder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kParkings = 20;

void writeStandFile(const fs::path& path, int stands) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << "<?xml version=\"1.0\"?>\n<root>\n  <meta>\n    <info name=\"author\" value=\"QLST\" />\n"
         "    <info name=\"version\" value=\"11.12.1\" />\n    <info name=\"copyright\" value=\"c\" />\n"
         "  </meta>\n  <parameters>\n    <parameter name=\"airport_name\" value=\"Big Field\" />\n"
         "    <parameter name=\"publisher\" value=\"\" />\n    <parameter name=\"handmade\" value=\"true\" "
         "/>\n"
         "    <parameter name=\"altitude\" value=\"100\" />\n  </parameters>\n  <parkpositions>\n";
  for (int s = 0; s < stands; ++s) {
    // A grid 60 m apart, stands of 20 m: no two overlap.
    out << fmt::format(
        "    <parkpos id=\"S{:05}\" latitude=\"{:.6f}\" longitude=\"{:.6f}\" heading=\"90.0\" "
        "radius=\"20.0\" "
        "cargo=\"false\" ramp=\"true\">\n",
        s, 10.0 + (s / 200) * 0.00054, 10.0 + (s % 200) * 0.00055);
    for (int p = 0; p < kParkings; ++p)
      out << fmt::format(
          "      <opt reg=\"N{:05}{:02}\" airl=\"BAW\" type=\"A320\" day=\"{}\" hh=\"{}:{}\" "
          "cs=\"BAW{}:SHT{}\" />\n",
          s % 100000, p, 1 + p % 7, p, p + 3, s % 9000 + p, p);
    out << "    </parkpos>\n";
  }
  out << "  </parkpositions>\n</root>\n";
}

double statusMiB(std::string_view key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with(key)) return std::stod(line.substr(key.size())) / 1024.0;
  return -1.0;
}

}  // namespace

int main(int argc, char** argv) {
  const int stands = argc > 1 ? std::atoi(argv[1]) : 48000;
  const fs::path work = os::createTemporaryFolder("quillstar-bench-");
  fs::current_path(work);
  fs::create_directories(work / "config");
  const bench::RoamingFolder roaming(work / "config");
  orv::gf_openLog();
  const std::string name = "airports/my_thirdparty/ZBIG.xml";
  writeStandFile(name, stands);
  const double fileMiB = static_cast<double>(fs::file_size(name)) / (1024.0 * 1024.0);

  const orv::AirportTable table =
      orv::AirportTable::fromRecords({{orv::IcaoCode("ZBIG"), orv::IataCode("XXX"), 10.0, 10.0, 100.0F, 0}});
  orv::ParkAirport park;
  park.icao = orv::IcaoCode("ZBIG");
  park.table = &table;
  const double before = statusMiB("VmRSS:");
  std::ofstream("/proc/self/clear_refs") << "5";
  const auto start = Clock::now();
  const std::string error = orv::gf_readApf(park, name);
  const double took = std::chrono::duration<double>(Clock::now() - start).count();
  const double peak = statusMiB("VmHWM:");
  const double after = statusMiB("VmRSS:");
  if (!error.empty() || orv::gf_parkStands().size() != static_cast<std::size_t>(stands)) {
    std::cerr << "load failed: " << error << "\n";
    return 1;
  }
  std::cout << fmt::format(
      "{} stands, {} parkings each: file {:.1f} MiB, load {:.2f} s, peak {:.1f} MiB above the {:.1f} MiB "
      "before ({:.2f} x the file), {:.1f} MiB held after ({:.2f} x)\n",
      stands, kParkings, fileMiB, took, peak - before, before, (peak - before) / fileMiB, after - before,
      (after - before) / fileMiB);
  orv::gf_clearStands();
  orv::gf_closeLog();
  fs::current_path("/");
  if (!std::getenv("QUILLSTAR_BENCH_KEEP")) fs::remove_all(work);
  return 0;
}
