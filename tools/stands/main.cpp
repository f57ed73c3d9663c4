// quillstar-stands: reads the stands of a stand file as the program does when it loads the park
// airport, so that a handmade or generated file can be checked before the program meets it; with
// OUT it writes them back as the program's own writer would.
//
//   quillstar-stands IN [OUT] [--generated | --handmade]
//
// The program's log lines (warnings marked "==> ") go to stderr, one line per stand to stdout.
// OUT is written in learned mode unless --generated is given; --handmade marks it handmade. Run
// in a folder that holds input/dbase.enc, the opt registrations are looked up in the database.
// A fault in the file's stand ids prints its text and exits with 1.

#include <fmt/format.h>
#include <stdlib.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "airports/half_hours.h"
#include "airports/stand_file.h"
#include "config/parameter_xml.h"
#include "foundation/errors.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/xml_meta.h"
#include "platform/os/temporary_folder.h"
#include "refdata/dbase.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUsageError = 2;

// The log is "Log.txt" in the working folder; the tool opens it in a folder of its own and
// copies its lines to stderr at the end, so that nothing lands beside the user's files.
class LogToStderr {
 public:
  LogToStderr() {
    std::error_code ec;
    try {
      folder_ = os::createTemporaryFolder("quillstar-stands-");
    } catch (const fs::filesystem_error&) {
      return;
    }
    const fs::path here = fs::current_path(ec);
    fs::current_path(folder_, ec);
    try {
      orv::gf_openLog();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "quillstar-stands: %s\n", e.what());
    }
    fs::current_path(here, ec);
  }
  ~LogToStderr() { flush(); }
  LogToStderr(const LogToStderr&) = delete;
  LogToStderr& operator=(const LogToStderr&) = delete;

  void flush() {
    if (folder_.empty()) return;
    orv::gf_closeLog();
    std::ifstream in(folder_ / "Log.txt");
    std::string line;
    bool banner = true;
    while (std::getline(in, line)) {
      if (!banner) std::fprintf(stderr, "%s\n", line.c_str());
      banner = false;
    }
    std::error_code ec;
    fs::remove_all(folder_, ec);
    folder_.clear();
  }

 private:
  fs::path folder_;
};

struct Arguments {
  fs::path in;
  fs::path out;
  orv::AirportFileMode mode = orv::AirportFileMode::Learned;
  bool handmade = false;
};

bool parse(int argc, char** argv, Arguments& arguments) {
  std::vector<std::string_view> files;
  bool generated = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--generated")
      generated = true;
    else if (argument == "--handmade")
      arguments.handmade = true;
    else if (argument.starts_with("--"))
      return false;
    else
      files.push_back(argument);
  }
  if (files.empty() || files.size() > 2 || (generated && arguments.handmade)) return false;
  arguments.in = files[0];
  if (files.size() == 2) arguments.out = files[1];
  if (generated) arguments.mode = orv::AirportFileMode::Generated;
  return true;
}

std::string text(const pugi::xml_document& document, std::string_view key) {
  return orv::gf_getXmlParameterString(document, key).value_or("");
}

int run(const Arguments& arguments) {
  if (fs::exists(orv::gf_paths().dbaseEnc)) {
    try {
      if (!orv::gf_readDbase()) orv::gf_logImportant("the database was not read; opts keep their own codes");
    } catch (const std::exception& e) {
      orv::gf_logImportant(fmt::format("the database was not read: {}", e.what()));
    }
  }
  pugi::xml_document document;
  if (const pugi::xml_parse_result parsed = document.load_file(arguments.in.c_str()); !parsed) {
    std::fprintf(stderr, "quillstar-stands: could not load %s: %s\n", arguments.in.string().c_str(),
                 parsed.description());
    return 1;
  }
  orv::ScannedAirport airport;
  airport.airportName = text(document, "airport_name");
  airport.publisher = text(document, "publisher");
  airport.bglPath = text(document, "BGLpath");
  airport.manufacturer = text(document, "manufacturer");
  airport.creator = text(document, "creator");
  airport.altitude = orv::gf_getXmlParameterInt(document, "altitude").value_or(0);
  airport.qfReal = orv::gf_getXmlParameterInt(document, "Qf_real").value_or(-1);
  airport.qfSoft = orv::gf_getXmlParameterInt(document, "Qf_soft").value_or(-1);
  orv::lf_readParkpositions(document, airport.stands);

  std::size_t parkings = 0;
  for (const orv::Stand& stand : airport.stands) {
    parkings += stand.schedules.size();
    std::printf("%s\n",
                fmt::format("{:<10} {:11.6f} {:11.6f} {:5.1f} deg {:5.1f} m{}{}{}{} {} opts", stand.id,
                            stand.latitude, stand.longitude, stand.heading * 57.29577951308232,
                            stand.radius * 1852.0, stand.heli ? " heli" : "", stand.cargo ? " cargo" : "",
                            stand.ramp ? " ramp" : "", stand.manual ? " manual" : "", stand.schedules.size())
                    .c_str());
  }
  std::printf("%s\n", fmt::format("{}: {} stands, {} learned parkings", arguments.in.string(),
                                  airport.stands.size(), parkings)
                          .c_str());

  if (arguments.out.empty()) return 0;
  const auto meta = orv::gf_readXmlMeta(document);
  const int sim = meta && meta->sim > 0 ? meta->sim : 1;
  if (!orv::gf_writeAirportFile(airport, arguments.out, arguments.mode, sim, arguments.handmade)) {
    std::fprintf(stderr, "quillstar-stands: could not write %s\n", arguments.out.string().c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!parse(argc, argv, arguments)) {
    std::fprintf(stderr, "usage: %s IN [OUT] [--generated | --handmade]\n", argv[0]);
    return kUsageError;
  }
  LogToStderr log;
  try {
    return run(arguments);
  } catch (const orv::UserErrorException& e) {
    log.flush();
    std::fprintf(stderr, "%s\n", e.what());
  } catch (const std::exception& e) {
    log.flush();
    std::fprintf(stderr, "quillstar-stands: %s\n", e.what());
  }
  return 1;
}
