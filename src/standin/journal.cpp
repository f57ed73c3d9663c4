#include "standin/journal.h"

#include <cstdio>

namespace orv::standin {

Journal::Journal(std::filesystem::path file, bool keepInMemory, std::uintmax_t limitBytes)
    : path_(std::move(file)), limitBytes_(limitBytes), keepInMemory_(keepInMemory) {}

std::filesystem::path Journal::generationPath(const std::filesystem::path& file) {
  std::filesystem::path generation = file;
  generation.replace_filename(file.stem().string() + "0" + file.extension().string());
  return generation;
}

bool Journal::lf_begin() {
  if (file_.is_open()) file_.close();
  std::error_code error;
  if (std::filesystem::exists(path_, error)) std::filesystem::rename(path_, generationPath(path_), error);
  // A journal that cannot be moved aside is begun again all the same: the file must not grow.
  file_.open(path_, std::ios::trunc | std::ios::binary);
  written_ = 0;
  if (file_) return true;
  fileFailed_ = true;
  std::fprintf(stderr, "standin: cannot write the journal %s\n", path_.string().c_str());
  return false;
}

void Journal::write(std::int64_t timeMs, std::string_view call, nlohmann::ordered_json fields) {
  nlohmann::ordered_json entry = nlohmann::ordered_json::object();
  entry["t_ms"] = timeMs;
  entry["call"] = call;
  for (auto& [key, value] : fields.items()) entry[key] = std::move(value);

  std::scoped_lock lock(mutex_);
  if (!path_.empty() && !fileFailed_) {
    // Begun with the first entry, so that a process that never talks to the simulator leaves the
    // last journal as it was.
    const bool open = (file_.is_open() && written_ < limitBytes_) || lf_begin();
    if (open) {
      const std::string line = entry.dump() + '\n';
      file_ << line;
      file_.flush();
      written_ += line.size();
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
