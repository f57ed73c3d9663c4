#include "airports/quality_factors.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <gsl/narrow>
#include <set>

namespace orv {

namespace {

double lf_standWeight(double radiusNm) {
  if (radiusNm <= 7.0) return 0.3;
  if (radiusNm <= 10.0) return 1.5;
  return 1.0;
}

// The score of one group (real or soft) of a stand's schedules; 0 for an empty group.
double lf_groupScore(const std::vector<const StandSchedule*>& group) {
  if (group.empty()) return 0.0;
  std::set<std::uint32_t> days;
  HalfHourSet slots;
  std::size_t setBits = 0;
  for (const StandSchedule* schedule : group) {
    if (schedule->day >= 1 && schedule->day <= 7) days.insert(schedule->day);
    slots |= schedule->hours;
    setBits += schedule->hours.count();
  }
  const auto n = static_cast<double>(group.size());
  return std::min(20.0 * n, 4000.0) + 10000.0 + 100.0 * static_cast<double>(days.size()) +
         12.5 * static_cast<double>(slots.count()) +
         2.0 * static_cast<double>(std::min<std::size_t>(setBits, 600));
}

std::int32_t lf_factor(double sum, double totalWeight) {
  const auto rounded = gsl::narrow<std::int32_t>(std::round(sum / totalWeight * 0.00625));
  return std::clamp(rounded, 0, 100);
}

}  // namespace

QualityFactors gf_airportQualityFactors(const std::vector<Stand>& stands) {
  const bool anySchedule =
      std::any_of(stands.begin(), stands.end(), [](const Stand& s) { return !s.schedules.empty(); });
  if (!anySchedule) return {};
  double totalWeight = 0.0;
  double realSum = 0.0;
  double softSum = 0.0;
  for (const Stand& stand : stands) {
    const double weight = lf_standWeight(stand.radius);
    totalWeight += weight;
    std::vector<const StandSchedule*> real;
    std::vector<const StandSchedule*> soft;
    for (const StandSchedule& schedule : stand.schedules) {
      if (schedule.sequence == 0) continue;
      (schedule.real != 0 ? real : soft).push_back(&schedule);
    }
    realSum += weight * lf_groupScore(real);
    softSum += weight * lf_groupScore(soft);
  }
  return {lf_factor(realSum, totalWeight), lf_factor(softSum, totalWeight)};
}

std::string gf_qualityFactorText(const QualityFactors& factors) {
  if (factors.real < 0 && factors.soft < 0) return "  ";
  if (factors.real < 45) return fmt::format("{:2}/{:2}", factors.real, factors.soft);
  return fmt::format("{:2}", factors.real);
}

}  // namespace orv
