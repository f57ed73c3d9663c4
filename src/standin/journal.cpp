#include "standin/journal.h"

#include <cstdio>

namespace orv::standin {

Journal::Journal(std::filesystem::path file, bool keepInMemory)
    : path_(std::move(file)), keepInMemory_(keepInMemory) {}

void Journal::write(std::int64_t timeMs, std::string_view call, nlohmann::ordered_json fields) {
  nlohmann::ordered_json entry = nlohmann::ordered_json::object();
  entry["t_ms"] = timeMs;
  entry["call"] = call;
  for (auto& [key, value] : fields.items()) entry[key] = std::move(value);

  std::scoped_lock lock(mutex_);
  if (!path_.empty() && !fileFailed_) {
    // Opened with the first entry, so that a process that never talks to the simulator writes nothing.
    if (!file_.is_open()) file_.open(path_, std::ios::app | std::ios::binary);
    if (!file_) {
      fileFailed_ = true;
      std::fprintf(stderr, "standin: cannot write the journal %s\n", path_.string().c_str());
    } else {
      file_ << entry.dump() << '\n';
      file_.flush();
    }
  }
  if (keepInMemory_) entries_.push_back(std::move(entry));
}

std::vector<nlohmann::ordered_json> Journal::entries() const {
  std::scoped_lock lock(mutex_);
  return entries_;
}

std::vector<nlohmann::ordered_json> Journal::entries(std::string_view call) const {
  std::scoped_lock lock(mutex_);
  std::vector<nlohmann::ordered_json> found;
  for (const auto& entry : entries_)
    if (entry["call"] == call) found.push_back(entry);
  return found;
}

void Journal::clear() {
  std::scoped_lock lock(mutex_);
  entries_.clear();
}

}  // namespace orv::standin
