#pragma once

// One of the command-line tools run to its end in the working folder, with what it wrote to its
// standard output and error kept in "stdout.txt" and "stderr.txt" there. Test thread only.

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "platform/os/child_process.h"
#include "support/test_support.h"

namespace tools_test {

struct ToolRun {
  int code = -1;  // the exit status; -1 when the tool could not start or did not end in time
  std::string out;
  std::string err;
};

// A tool's output with the line ends of its standard streams, CR LF on Windows, as LF.
inline std::string lf_text(const std::string& written) {
  std::string text;
  text.reserve(written.size());
  for (std::size_t i = 0; i < written.size(); ++i)
    if (!(written[i] == '\r' && i + 1 < written.size() && written[i + 1] == '\n')) text += written[i];
  return text;
}

// The arguments are separated by blanks (none of the tests' arguments holds one).
inline ToolRun runTool(const char* program, const std::string& arguments) {
  std::vector<std::string> words;
  std::istringstream in(arguments);
  for (std::string word; in >> word;) words.push_back(word);
  ToolRun run;
  if (auto tool = os::ChildProcess::start(program, words, {"stdout.txt", "stderr.txt"})) {
    if (const auto code = tool->waitForExit(std::chrono::seconds{60}); code && *code >= 0) run.code = *code;
  }
  run.out = lf_text(testing_support::readFile("stdout.txt"));
  run.err = lf_text(testing_support::readFile("stderr.txt"));
  return run;
}

}  // namespace tools_test
