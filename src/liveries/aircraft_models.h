#pragma once

// The model code of an aircraft.cfg file: its icao_type_designator, else the stock aircraft its
// base_container reuses, else (IVAO packages) the aircraft's folder name; checked against the
// aircraft database and its model fixes, with a report line for every fix and every code that
// cannot be used. Any thread.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The stock aircraft folder names and their type codes.
[[nodiscard]] std::optional<std::string_view> lf_stockModel(std::string_view folderName);

// Key readers: the first four characters, upper-cased; the stock type of the folder named after
// a three-character relative prefix. Nothing when the line is not such a key line.
[[nodiscard]] std::optional<std::string> lf_readTypeDesignator(std::string_view line);
[[nodiscard]] std::optional<std::string> lf_readBaseContainer(std::string_view line);

// The code as the database accepts it (fixed when the fixes know it), or empty (reported).
[[nodiscard]] std::string lf_checkModel(const std::string& code, const std::filesystem::path& cfg);

// Empty when the file has no usable model.
[[nodiscard]] std::string lf_modelFromTypeDesignator(const std::filesystem::path& cfg,
                                                     const std::vector<std::string>& lines);
[[nodiscard]] std::string lf_modelFromBaseContainer(const std::filesystem::path& cfg,
                                                    const std::vector<std::string>& lines);
[[nodiscard]] std::string lf_ivaoModelFromPath(const std::filesystem::path& cfg);

}  // namespace orv
