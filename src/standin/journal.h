#pragma once

// The stand-in's journal: one JSON object per call or happening, with the stand-in's time in
// milliseconds ("t_ms") and its kind ("call"). Written as JSON lines to a file (one flushed line
// per entry), kept in memory for tests, or both. Any thread.
//
// The file holds one journal's entries: the first entry starts it afresh, and a journal left by
// an earlier one becomes the generation (the name with a "0" before the extension,
// "standin-journal0.jsonl"). A long session writes a line per object and second, so the file is
// turned into that generation too once it holds the size limit, and begun again: the two files
// never hold much more than twice the limit.

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
  static constexpr std::uintmax_t kDefaultLimitBytes = 64u * 1024u * 1024u;

  // An empty path writes no file.
  Journal(std::filesystem::path file, bool keepInMemory, std::uintmax_t limitBytes = kDefaultLimitBytes);

  // The journal file's earlier generation.
  [[nodiscard]] static std::filesystem::path generationPath(const std::filesystem::path& file);

  void write(std::int64_t timeMs, std::string_view call,
             nlohmann::ordered_json fields = nlohmann::ordered_json::object());

  [[nodiscard]] std::vector<nlohmann::ordered_json> entries() const;
  // The entries of one kind, in order.
  [[nodiscard]] std::vector<nlohmann::ordered_json> entries(std::string_view call) const;
  void clear();

 private:
  mutable std::mutex mutex_;
  // Moves the file to its generation and opens it empty; false (reported once) when it cannot.
  bool lf_begin();

  std::filesystem::path path_;
  std::uintmax_t limitBytes_;
  std::uintmax_t written_ = 0;
  std::ofstream file_;
  bool fileFailed_ = false;
  bool keepInMemory_;
  std::vector<nlohmann::ordered_json> entries_;
};

}  // namespace orv::standin
