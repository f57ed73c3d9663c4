#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(CommandLine, ProductionRunByTheLastMatchingArgument) {
  struct Case {
    std::vector<std::string_view> arguments;
    bool production;
  };
  const Case cases[] = {
      {{}, false},
      {{"--production"}, true},
      {{"/PRODUCTION"}, true},
      {{"--Production", "--no-production"}, false},
      {{"/no-production", "extra", "/production", "--verbose"}, true},
      {{"--production-run"}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(orv::gf_productionRequested(c.arguments), c.production)
        << (c.arguments.empty() ? "none" : c.arguments.front());
  }
}

}  // namespace
