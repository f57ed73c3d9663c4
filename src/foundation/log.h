#pragma once

// "Log.txt" in the working folder: one stream for the whole process, one line per call, written
// whole under one lock. Lines written while the log is not open are dropped. A byte that is not
// part of a UTF-8 character is written as "\xNN", so that every line is UTF-8. Any thread.

#include <filesystem>
#include <string_view>

namespace orv {

// Keeps three backup generations of "Log.txt", opens it truncated and writes its first line; a
// log that is open already is closed first. Called once by the process entry. Throws std::runtime_error when
// the file cannot be written.
void gf_openLog();

void gf_logLine(std::string_view text);
// A warning or error: "==> " in front, and flushed at once.
void gf_logImportant(std::string_view text);
// A continuation line: ten blanks in front.
void gf_logIndented(std::string_view text);
// Written only while the run is not ending, for lines that would only clutter a closing run.
void gf_logUnlessStopping(std::string_view text);

void gf_flushLog();

// Flushes and closes the log; later lines are dropped. Called at the very end of the process.
void gf_closeLog();

[[nodiscard]] std::filesystem::path gf_logPath();

}  // namespace orv
