#pragma once

// The stand-in's journal: one JSON object per call or happening, with the stand-in's time in
// milliseconds ("t_ms") and its kind ("call"). Written as JSON lines to a file (appended, one
// flushed line per entry), kept in memory for tests, or both. Any thread.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

namespace orv::standin {

class Journal {
 public:
  // An empty path writes no file.
  Journal(std::filesystem::path file, bool keepInMemory);

  void write(std::int64_t timeMs, std::string_view call,
             nlohmann::ordered_json fields = nlohmann::ordered_json::object());

  [[nodiscard]] std::vector<nlohmann::ordered_json> entries() const;
  // The entries of one kind, in order.
  [[nodiscard]] std::vector<nlohmann::ordered_json> entries(std::string_view call) const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::filesystem::path path_;
  std::ofstream file_;
  bool fileFailed_ = false;
  bool keepInMemory_;
  std::vector<nlohmann::ordered_json> entries_;
};

}  // namespace orv::standin
