#pragma once

// A small aircraft database of the test's own, enciphered into "input/dbase.enc" of the working
// folder as the download site delivers it and read by the program's reader. The log is opened
// first, in the working folder; the code tables are fresh before the read and again when the
// object goes. Called on the test's thread only; build it after the working folder.

#include <string_view>

#include "support/reference_tables.h"

namespace testing_support {

class ScopedDbase {
 public:
  explicit ScopedDbase(std::string_view xml);
  ScopedDbase(const ScopedDbase&) = delete;
  ScopedDbase& operator=(const ScopedDbase&) = delete;

  // Whether the reader took the database.
  [[nodiscard]] bool read() const { return read_; }

 private:
  ReferenceTables tables_;
  bool read_ = false;
};

}  // namespace testing_support
