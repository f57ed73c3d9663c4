#include "livery_fixture.h"

#include <algorithm>

#include "foundation/log.h"

namespace testing_support {

LiveryLogTest::LiveryLogTest() {
  orv::gf_openLog();
}

LiveryLogTest::~LiveryLogTest() {
  orv::gf_closeLog();
}

std::vector<std::string> LiveryLogTest::log() {
  return logBody();
}

std::vector<std::string> LiveryLogTest::logFrom(const std::string& prefix) {
  std::vector<std::string> lines = logBody();
  const auto first = std::find_if(lines.begin(), lines.end(),
                                  [&](const std::string& line) { return line.starts_with(prefix); });
  return {first, lines.end()};
}

orv::Livery livery(std::string_view airline, std::string_view model, std::string title, bool cargo,
                   std::string registration) {
  return orv::Livery{.title = std::move(title),
                     .registration = std::move(registration),
                     .airline = orv::gf_airlineId(airline),
                     .model = orv::gf_modelId(model),
                     .folderOrdinal = 0,
                     .cargo = cargo};
}

}  // namespace testing_support
