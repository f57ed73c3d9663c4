// The stand-in's construction and its queries. The rest lives by concern: the simulated
// variables (variables.cpp), the simulation's clock and objects (simulation.cpp), the calls
// (calls.cpp), time passing and the timeline (timeline.cpp), the journal (journal.cpp and
// journal_entries.cpp), and what they share (state.cpp).

#include "standin/stand_in.h"

#include <cstdlib>

#include "standin/state.h"

namespace orv::standin {

StandIn::StandIn(Scenario scenario, Options options)
    : journal_(std::move(options.journalFile), options.journalInMemory, options.journalLimitBytes),
      state_(std::make_unique<State>(std::move(scenario), options.clock, journal_)) {}

StandIn::~StandIn() = default;

std::shared_ptr<StandIn> StandIn::fromEnvironment() {
  Scenario scenario;
  if (const char* named = std::getenv("QLST_STANDIN"); named && *named) {
    scenario = loadScenario(named);
  } else if (std::error_code ec; std::filesystem::exists("standin.json", ec)) {
    scenario = loadScenario("standin.json");
  }
  Options options;
  options.clock = ClockMode::RealTime;
  options.journalInMemory = false;
  const char* journal = std::getenv("QLST_STANDIN_JOURNAL");
  options.journalFile = std::filesystem::absolute(journal && *journal ? journal : "standin-journal.jsonl");
  return std::make_shared<StandIn>(std::move(scenario), std::move(options));
}

std::vector<SimObject> StandIn::aiObjects() const {
  std::scoped_lock lock(state_->mutex);
  std::vector<SimObject> list;
  for (const auto& [id, o] : state_->objects.ai()) list.push_back(o);
  return list;
}

std::optional<SimObject> StandIn::aiObject(std::uint32_t id) const {
  std::scoped_lock lock(state_->mutex);
  const SimObject* o = state_->objects.findAi(id);
  if (!o) return std::nullopt;
  return *o;
}

SimObject StandIn::user() const {
  std::scoped_lock lock(state_->mutex);
  return state_->objects.user();
}

bool StandIn::connected() const {
  std::scoped_lock lock(state_->mutex);
  return state_->connection && !state_->connection->dead;
}

bool StandIn::flightRunning() const {
  std::scoped_lock lock(state_->mutex);
  return state_->flightRunning;
}

std::size_t StandIn::waitingRecords() const {
  std::scoped_lock lock(state_->mutex);
  return state_->connection ? state_->connection->outgoing.size() : 0;
}

std::chrono::milliseconds StandIn::now() const {
  std::scoped_lock lock(state_->mutex);
  return state_->clock.elapsed();
}

}  // namespace orv::standin
