#pragma once

// One of the command-line tools run to its end in the working folder, with what it wrote to its
// standard output and error kept in "stdout.txt" and "stderr.txt" there. Test thread only.

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace tools_test {

struct ToolRun {
  int code = -1;  // the exit status; -1 when the tool did not exit by itself
  std::string out;
  std::string err;
};

inline ToolRun runTool(const char* program, const std::string& arguments) {
  const std::string command = std::string("'") + program + "' " + arguments + " >stdout.txt 2>stderr.txt";
  const int status = std::system(command.c_str());
  ToolRun run;
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = testing_support::readFile("stdout.txt");
  run.err = testing_support::readFile("stderr.txt");
  return run;
}

}  // namespace tools_test
