#include "simlink/flight_plans.h"

#include <fmt/format.h>

#include <algorithm>
#include <fstream>
#include <system_error>
#include <utility>

#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/message_line.h"
#include "foundation/run_control.h"

namespace orv {
namespace {

constexpr std::string_view kFolderName = "orig_dest";
constexpr std::string_view kTooManyFailed = "There are too many liveries that could not be created!";

std::mutex folderMutex;
std::filesystem::path folder;

bool lf_isInstrumentClass(ModelClass modelClass) {
  return modelClass == ModelClass::Buzjet || modelClass == ModelClass::Large ||
         modelClass == ModelClass::Heavy;
}

// Exactly three characters: a short code is padded, a missing one is blanks.
std::string lf_planCode(std::string_view code) {
  if (code.empty() || code.front() == '\0') return "   ";
  std::string text(code.substr(0, 3));
  text.resize(3, ' ');
  return text;
}

}  // namespace

void gf_createFlightPlanFolder() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(kFolderName, error);
  if (!error) std::filesystem::create_directories(path, error);
  std::scoped_lock lock(folderMutex);
  if (error) {
    folder.clear();
    gf_logLine(fmt::format("gf_createFlightPlanFolder: {}", error.message()));
    return;
  }
  folder = std::move(path);
}

void gf_removeFlightPlanFolder() {
  std::filesystem::path path;
  {
    std::scoped_lock lock(folderMutex);
    path = std::exchange(folder, {});
  }
  if (path.empty()) path = std::filesystem::absolute(kFolderName);
  std::error_code error;
  std::filesystem::remove_all(path, error);
  if (error) gf_logLine(fmt::format("gf_removeFlightPlanFolder: {}", error.message()));
}

std::filesystem::path gf_flightPlanFolder() {
  std::scoped_lock lock(folderMutex);
  return folder;
}

std::filesystem::path gf_flightPlanPath(std::uint32_t objectId) {
  const std::filesystem::path base = gf_flightPlanFolder();
  if (base.empty()) return {};
  return base / fmt::format("{}.pln", objectId);
}

bool gf_writeFlightPlan(const std::filesystem::path& path, ModelClass modelClass, std::string_view origin,
                        std::string_view destination) {
  const std::string text = fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
      "<FlightPlan.FlightPlan>\n"
      "<FPType>{}</FPType>\n"
      "<DepartureID>{}</DepartureID>\n"
      "<DestinationID>{}</DestinationID>\n"
      "</FlightPlan.FlightPlan>\n"
      "</SimBase.Document>\n"
      "\n",
      lf_isInstrumentClass(modelClass) ? "IFR" : "VFR", lf_planCode(origin), lf_planCode(destination));
  bool written = false;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    written = !out.fail();
  }
  if (!written) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
  return written;
}

std::error_code gf_deleteFlightPlan(const std::filesystem::path& path) {
  std::error_code error;
  if (!path.empty()) std::filesystem::remove(path, error);
  return error;
}

bool FailedLiveries::add(std::string_view title, std::string_view modelCode, std::string_view airlineCode) {
  std::scoped_lock lock(mutex_);
  titles_.emplace(title);
  notCreated_.insert(fmt::format("{} {}", modelCode, airlineCode));
  return titles_.size() >= kFailedLiveryLimit;
}

bool FailedLiveries::isFailed(std::string_view title) const {
  std::scoped_lock lock(mutex_);
  return titles_.contains(std::string(title));
}

std::size_t FailedLiveries::failedCount() const {
  std::scoped_lock lock(mutex_);
  return titles_.size();
}

std::vector<std::string> FailedLiveries::notCreated() const {
  std::scoped_lock lock(mutex_);
  return {notCreated_.begin(), notCreated_.end()};
}

void FailedLiveries::addNoMatch(std::string text) {
  std::scoped_lock lock(mutex_);
  if (noMatchSeen_.contains(text)) return;
  if (noMatch_.size() >= kNoMatchLimit) {
    ++noMatchLeftOut_;
    return;
  }
  noMatchSeen_.insert(text);
  noMatch_.push_back(std::move(text));
}

std::vector<std::string> FailedLiveries::noMatch() const {
  std::scoped_lock lock(mutex_);
  return noMatch_;
}

std::size_t FailedLiveries::noMatchLeftOut() const {
  std::scoped_lock lock(mutex_);
  return noMatchLeftOut_;
}

void FailedLiveries::clear() {
  std::scoped_lock lock(mutex_);
  titles_.clear();
  notCreated_.clear();
  noMatch_.clear();
  noMatchSeen_.clear();
  noMatchLeftOut_ = 0;
}

FailedLiveries& gf_failedLiveries() {
  static FailedLiveries lists;
  return lists;
}

void gf_liveryNotCreated(std::string_view callsign, std::string_view title, ModelId model, AirlineId airline,
                         FailedLiveries& lists) {
  if (!gf_stopRaised())
    gf_setMessage(fmt::format("{} '{}' could not be created by your Sim!", callsign, title), true);
  const bool tooMany = lists.add(title, gf_modelCode(model), gf_airlineCode(airline));
  if (!tooMany) return;
  gf_logLine(fmt::format("\n{}Error 81, {}\n", "===> ", kTooManyFailed));
  throw UserErrorException(81, fmt::format("{}, see Log.txt", kTooManyFailed));
}

void gf_logNoMatchList(const FailedLiveries& lists) {
  const std::vector<std::string> entries = lists.noMatch();
  if (entries.empty()) return;
  gf_logLine("\nNo match found for:");
  for (const std::string& entry : entries) gf_logLine(entry);
  if (const std::size_t leftOut = lists.noMatchLeftOut(); leftOut > 0)
    gf_logLine(fmt::format("... and {} more", leftOut));
  gf_logLine("");
}

}  // namespace orv
