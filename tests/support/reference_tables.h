#pragma once

// The code tables, the reference sets and what the aircraft database gave are built once per
// process and then kept. A test that reads the database or enters codes holds a ReferenceTables:
// the tables are as a fresh process has them when it is built, and again when it is destroyed.

namespace testing_support {

class ReferenceTables {
 public:
  ReferenceTables();
  ~ReferenceTables();
  ReferenceTables(const ReferenceTables&) = delete;
  ReferenceTables& operator=(const ReferenceTables&) = delete;
};

}  // namespace testing_support
