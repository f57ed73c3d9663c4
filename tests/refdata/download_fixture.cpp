#include "download_fixture.h"

#include <algorithm>

#include "config/parameters.h"
#include "foundation/data_cipher.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "platform/ui/message_box.h"
#include "refdata/downloader.h"
#include "refdata/zip_archive.h"

namespace download_testing {

namespace fs = std::filesystem;
using namespace orv;

std::string zipBytes(const std::vector<std::pair<std::string, std::string>>& entries) {
  testing_support::TempFolder temp;
  const fs::path path = temp.path() / "built.zip";
  auto writer = ZipWriter::create(path);
  EXPECT_TRUE(writer);
  if (!writer) return {};
  for (const auto& [name, content] : entries) EXPECT_TRUE(writer->add(name, content)) << name;
  EXPECT_TRUE(writer->commit());
  return testing_support::readFile(path);
}

std::string enciphered(const std::string& plain) {
  testing_support::TempFolder temp;
  testing_support::writeFile(temp.path() / "plain", plain);
  gf_streamEncrypt(temp.path() / "plain", temp.path() / "cipher");
  return testing_support::readFile(temp.path() / "cipher");
}

std::string versionsJson(const std::string& all,
                         const std::vector<std::pair<std::string, std::string>>& changes) {
  static const char* items[] = {"msfs", "simaddon", "airports", "aig", "liveries", "addons", "dbase"};
  std::string text = "{";
  bool first = true;
  for (const char* item : items) {
    std::string version = item == std::string("msfs") ? "11.12.1" : all;
    for (const auto& [name, changed] : changes)
      if (name == item) version = changed;
    if (version.empty()) continue;
    int major = 0, minor = 0, patch = 0;
    std::sscanf(version.c_str(), "%d.%d.%d", &major, &minor, &patch);
    text += (first ? "" : ",") + std::string("\"") + item + "\":{\"major\":" + std::to_string(major) +
            ",\"minor\":" + std::to_string(minor) + ",\"patch\":" + std::to_string(patch) + "}";
    first = false;
  }
  return text + "}";
}

// Everything the update check may change in the process.
struct DownloadSite::Saved {
  std::vector<std::pair<StringParameter*, std::string>> texts;
  bool scanLiveries = cfg::SCAN_LIVERIES.value();
  bool scanAirports = cfg::SCAN_AIRPORTS.value();
  bool msfs2020 = gf_msfs2020Chosen();
  DownloadLimits limits = gf_downloadLimits();
  testing_support::ScopedEnv opener{"QUILLSTAR_FOLDER_OPENER", "true"};
  std::unique_ptr<testing_support::ScopedEnv> base;
  Saved() {
    for (StringParameter* p : {&cfg::AIRPORTS_VERSION, &cfg::AIG_VERSION, &cfg::DBASE_VERSION,
                               &cfg::LIV_SCAN_VERSION, &cfg::ADDONS_SCAN_VERSION, &cfg::MYSIMADDON24_VERSION})
      texts.emplace_back(p, p->value());
  }
  ~Saved() {
    for (auto& [p, text] : texts) p->set(text);
    cfg::SCAN_LIVERIES.set(scanLiveries);
    cfg::SCAN_AIRPORTS.set(scanAirports);
    gf_setMsfs2020Chosen(msfs2020);
    gf_setDownloadLimits(limits);
    gf_resetRunControl();
    gf_resetMessageState();
    ui::clearShownMessageBoxes();
  }
};

DownloadSite::DownloadSite() : saved_(std::make_unique<Saved>()) {
  fs::create_directories(gf_userFolderPath());
  gf_openLog();
  // Without the trailing '/', which the program adds.
  saved_->base = std::make_unique<testing_support::ScopedEnv>("QLST_DOWNLOAD_URL", server.url("/downloads"));
  DownloadLimits limits;
  limits.connect = std::chrono::seconds{5};
  limits.stall = std::chrono::seconds{1};
  limits.file = std::chrono::seconds{20};
  limits.installer = std::chrono::seconds{20};
  gf_setDownloadLimits(limits);
  gf_resetRunControl();
}

DownloadSite::~DownloadSite() {
  server.stop();
  gf_closeLog();  // the next test opens its own
}

void DownloadSite::installEverything(const std::string& version) {
  const ProgramPaths& paths = gf_paths();
  fs::create_directories(paths.input);
  fs::create_directories(paths.output);
  fs::create_directories(paths.mySimaddon);
  testing_support::writeFile(paths.airportsEnc, enciphered("installed airports"));
  testing_support::writeFile(paths.aigRegcodesEnc, enciphered("installed aig"));
  testing_support::writeFile(paths.dbaseEnc, enciphered("installed dbase"));
  testing_support::writeFile(paths.liveriesScanned, "<liveries/>");
  testing_support::writeFile(paths.mySimaddon / "EDDF.txt", "installed");
  for (StringParameter* p : {&cfg::AIRPORTS_VERSION, &cfg::AIG_VERSION, &cfg::DBASE_VERSION,
                             &cfg::LIV_SCAN_VERSION, &cfg::ADDONS_SCAN_VERSION, &cfg::MYSIMADDON24_VERSION})
    p->set(version);
  cfg::SCAN_LIVERIES.set(false);
  cfg::SCAN_AIRPORTS.set(false);
}

std::vector<std::string> DownloadSite::requestedPaths() const {
  std::vector<std::string> paths;
  for (const auto& request : server.requests()) paths.push_back(request.path);
  return paths;
}

bool DownloadSite::requested(const std::string& path) const {
  const auto paths = requestedPaths();
  return std::find(paths.begin(), paths.end(), "/downloads/" + path) != paths.end();
}

void DownloadSite::markLog() {
  logMark_ = testing_support::logBody().size();
}

std::vector<std::string> DownloadSite::logSinceMark() const {
  auto lines = testing_support::logBody();
  lines.erase(lines.begin(), lines.begin() + static_cast<long>(std::min(logMark_, lines.size())));
  return lines;
}

bool DownloadSite::logHas(const std::string& line) const {
  const auto lines = logSinceMark();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool DownloadSite::partFileLeft() const {
  for (const auto& entry : fs::recursive_directory_iterator(folder.path()))
    if (entry.path().extension() == ".part") return true;
  return false;
}

}  // namespace download_testing
