#pragma once

// How much the park airport's stand schedules know: Qf_real rates the parkings observed live,
// Qf_soft the soft ones, each 0..100. Any thread, on stands the caller owns.

#include <cstdint>
#include <string>
#include <vector>

#include "airports/stand_records.h"

namespace orv {

struct QualityFactors {
  std::int32_t real = -1;  // -1 in both: no stand has a schedule
  std::int32_t soft = -1;
  bool operator==(const QualityFactors&) const = default;
};

// Stands weigh by their radius (a large "stand" is an area, not a gate); each group of schedules
// scores its count, days, distinct half hours and set size. Throws gsl::narrowing_error for a
// factor that no 32-bit integer holds.
[[nodiscard]] QualityFactors gf_airportQualityFactors(const std::vector<Stand>& stands);

// Two blanks for none; "{:2}/{:2}" below a real factor of 45; else the real factor alone.
[[nodiscard]] std::string gf_qualityFactorText(const QualityFactors& factors);

}  // namespace orv
