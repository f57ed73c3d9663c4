#pragma once

// File utilities shared by the whole program. None raises: failures are results or log lines.
// Any thread.

#include <filesystem>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace orv {

// Backup generation k of a file: k zeros inserted before the last '.' of the file name
// ("Log.txt" -> "Log0.txt", "Log00.txt", ...). Empty when the file name has no dot.
[[nodiscard]] std::filesystem::path gf_generationPath(const std::filesystem::path& path, int generation);

// Copies the file over its generation 1. True when done or when there is no file; false (logged)
// when the path has no dot or the copy failed.
[[nodiscard]] bool gf_save1GenerationOf(const std::filesystem::path& path);

// Shifts generation 2 to 3, 1 to 2 and the file to 1; a missing source skips its step. A failed
// step is logged and makes the result false, but the other steps still run.
bool gf_saveUpto3GenerationsOf(const std::filesystem::path& path);

inline constexpr std::string_view kOpenFailed = "open_failed";

// Clears `lines` and reads the file's lines (see gf_readStreamLines). Empty on success, else
// "open_failed".
[[nodiscard]] std::string gf_readFile(const std::filesystem::path& path, std::vector<std::string>& lines,
                                      std::size_t expectedLines = 0);

// Replaces the file with the text (and a line feed when asked); true when every step succeeded.
[[nodiscard]] bool gf_writeFile(std::string_view text, const std::filesystem::path& path,
                                bool appendLineFeed);
// Replaces the file with the lines, each followed by a line feed.
// The whole file in one read; none when it cannot be read.
[[nodiscard]] std::optional<std::string> gf_readFileBytes(const std::filesystem::path& path);
[[nodiscard]] bool gf_writeLines(const std::vector<std::string>& lines, const std::filesystem::path& path);
[[nodiscard]] bool gf_writeLines(const std::list<std::string>& lines, const std::filesystem::path& path);

// The last step of every atomic save: flushes the complete `temporary` to the disk, renames it over
// `target` and flushes the folder entry, so that a power cut leaves the old file or the new one,
// never an empty one. On failure `ec` says why, the temporary is removed and the target is as it was.
[[nodiscard]] bool gf_replaceWithTemporary(const std::filesystem::path& temporary,
                                           const std::filesystem::path& target, std::error_code& ec);

// Logs "Warning: could not remove {}, errorcode: {}" when the file exists and stays.
void gf_removeFileIfExists(const std::filesystem::path& path);

// Removes the regular files directly in the folder; subfolders and their contents stay.
void gf_removeFilesFromDirectory(const std::filesystem::path& folder);
// Removes the ".xml" files (any letter case) directly in the bundle folder "tblo".
void gf_removeXMLFilesFromDirectory();

// The number of entries directly in the folder; 0 when it is no folder.
[[nodiscard]] std::size_t gf_countDirEntries(const std::filesystem::path& folder);

// The ".xml" files (any letter case) directly in "airports/my_thirdparty", sorted by name.
[[nodiscard]] std::vector<std::filesystem::path> gf_listMyThirdPartyXmlFiles();

}  // namespace orv
