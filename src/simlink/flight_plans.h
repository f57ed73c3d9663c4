#pragma once

// The flight plans that AI aircraft with origin and destination fly, their folder, and the
// titles that the simulator could not create. Start-up thread.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Not built yet: no folder is made.
void gf_createFlightPlanFolder();
// Not built yet: there is no folder to remove.
void gf_removeFlightPlanFolder();
// The folder of this run's flight plans. Not built yet: empty, so no plans are written.
[[nodiscard]] std::filesystem::path gf_flightPlanFolder();
// Writes the plan of an aircraft; its path, or none on failure. Not built yet: none.
[[nodiscard]] std::optional<std::filesystem::path> gf_writeFlightPlan(std::string_view callsign,
                                                                      std::string_view origin,
                                                                      std::string_view destination);
// Deletes the plan written for the callsign. Not built yet: there are none.
void gf_deleteFlightPlan(std::string_view callsign);
// The simulator could not create the title. Not built yet: nothing is remembered.
void gf_liveryNotCreated(const std::string& title);
// Not built yet: nothing to log.
void gf_logNoMatchList();

}  // namespace orv
