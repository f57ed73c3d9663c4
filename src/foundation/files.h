#pragma once

// File utilities shared by the whole program.

#include <filesystem>

namespace orv {

// Backup generation k of a file: k zeros inserted before the last '.' of the path ("Log.txt" ->
// "Log0.txt", "Log00.txt", ...). Empty when the path has no dot.
[[nodiscard]] std::filesystem::path gf_generationPath(const std::filesystem::path& path, int generation);

// Copies the file over its generation 1. True when done or when there is no file; false (logged)
// when the path has no dot or the copy failed.
[[nodiscard]] bool gf_save1GenerationOf(const std::filesystem::path& path);

// Shifts generation 2 to 3, 1 to 2 and the file to 1; a missing source skips its step. A failed
// step is logged and makes the result false, but the other steps still run.
bool gf_saveUpto3GenerationsOf(const std::filesystem::path& path);

}  // namespace orv
