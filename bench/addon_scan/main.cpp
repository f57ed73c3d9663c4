// Times the add-on airport scan of a generated Community folder of 2,000 compiled scenery files
// in 40 packages: 100 of them hold an airport of 300 parkings, the other 1,900 are scenery
// without airports (2 to 16 MB each, mostly holes, so the tree costs little disk). Prints the
// scan's time and the process's peak resident memory during it, at the hardware threads' worker
// limit. Runs in a fresh temporary folder. The memory is read from /proc, which Linux alone has:
// elsewhere it shows -1.

#include <fmt/format.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <thread>

#include "airports/addon_scan.h"
#include "config/parameters.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/scan_tasks.h"
#include "platform/os/temporary_folder.h"
#include "roaming_folder.h"
#include "support/bgl_builder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 2000;
constexpr int kAirportEvery = 20;  // 100 of 2000
constexpr int kPackages = 40;
constexpr std::uintmax_t kMiB = 1024 * 1024;

std::string icaoOf(int n) {
  return fmt::format("Z{:03}", n);
}

// A scenery file with one section of another kind: what most files of a package hold.
std::string otherScenery() {
  orv::test::BglSpec spec;
  spec.sections.push_back({.type = 0x65, .records = {orv::test::BglRawSpec{0x22, 64}}});
  return spec.build().bytes;
}

std::string airportScenery(int n) {
  orv::test::BglAirportSpec airport;
  airport.icao = icaoOf(n);
  orv::test::BglParkingListSpec list;
  for (std::uint32_t p = 1; p <= 300; ++p)
    list.parkings.push_back({.number = p, .lat = 50.0 + 0.0005 * p, .lon = 8.5 + 0.01 * n});
  airport.subRecords.emplace_back(list);
  return orv::test::bglOf({airport}).build().bytes;
}

// The bytes, then a hole up to the size.
void writeSparse(const fs::path& path, const std::string& bytes, std::uintmax_t size) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  fs::resize_file(path, std::max<std::uintmax_t>(size, bytes.size()));
}

void writeTree(const fs::path& community) {
  const std::string other = otherScenery();
  for (int p = 0; p < kPackages; ++p) {
    const fs::path package = community / fmt::format("vendor{:02}-scenery-pack", p);
    fs::create_directories(package);
    std::ofstream(package / "manifest.json") << fmt::format(
        R"({{"title": "Pack {}", "manufacturer": "Vendor {}", "creator": "Vendor {}"}})", p, p, p);
  }
  for (int f = 0; f < kFiles; ++f) {
    const fs::path folder = community / fmt::format("vendor{:02}-scenery-pack", f % kPackages) / "scenery" /
                            fmt::format("area{:02}", (f / kPackages) % 10);
    if (f % kAirportEvery == 0) {
      const int n = f / kAirportEvery;
      writeSparse(folder / fmt::format("{}.bgl", icaoOf(n)), airportScenery(n), (1 + n % 4) * kMiB);
    } else {
      writeSparse(folder / fmt::format("objects{:04}.bgl", f), other, (2 + 2 * (f % 8)) * kMiB);
    }
  }
}

// Peak resident set since the last reset, in MiB.
double peakMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024.0;
  return -1.0;
}

double residentMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024.0;
  return -1.0;
}

void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace

int main() {
  const fs::path work = os::createTemporaryFolder("quillstar-bench-");
  fs::current_path(work);
  fs::create_directories(work / "config");
  const bench::RoamingFolder roaming(work / "config");
  orv::gf_openLog();
  writeTree(work / "Community");

  orv::AddonScanSettings settings;
  settings.folders = {work / "Community"};
  settings.msfs2020 = true;
  settings.publisherOf = [](const fs::path&) { return std::optional<std::string>{}; };
  settings.isKnownAirport = [](std::string_view icao) { return icao.size() == 4 && icao[0] == 'Z'; };

  const unsigned hardware = std::thread::hardware_concurrency();
  orv::gf_setScanWorkerLimit(orv::gf_scanWorkerLimitFor(hardware));
  std::cout << fmt::format("hardware threads {}, worker limit {}\n", hardware, orv::gf_scanWorkerLimit());
  std::cout << fmt::format("{:>6} {:>9} {:>10} {:>9} {:>14} {:>14}\n", "run", "files", "generated", "seconds",
                           "peak RSS MiB", "RSS before MiB");
  // The first run warms the file cache and is shown apart.
  for (int run = 0; run < 4; ++run) {
    orv::cfg::SCAN_AIRPORTS.set(true);
    const double before = residentMiB();
    resetPeak();
    const auto start = Clock::now();
    if (!orv::gf_scanAddonAirports(settings)) return 1;
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    const double peak = peakMiB();
    std::size_t generated = 0;
    for (const auto& entry : fs::directory_iterator(orv::gf_paths().myThirdparty))
      generated += entry.path().extension() == ".xml";
    std::cout << fmt::format("{:>6} {:>9} {:>10} {:>9.3f} {:>14.1f} {:>14.1f}\n", run == 0 ? "warm" : "timed",
                             kFiles, generated, took, peak, before);
    if (generated != kFiles / kAirportEvery) return 1;
  }
  orv::gf_closeLog();
  fs::current_path("/");
  if (!std::getenv("QUILLSTAR_BENCH_KEEP")) fs::remove_all(work);
  return 0;
}
