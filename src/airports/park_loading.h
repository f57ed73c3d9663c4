#pragma once

// Loading the park airport's stands: which stand file applies to an airport (a redirect or
// generated file of an add-on airport, else the archived file of the download site), the download
// of an archived file, and the load with the learned file merged, the quality factors, the
// per-airport defaults, the stand numbers and the neighbour lists. Start-up thread, except the
// published elevation and flag.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "airports/park_airport.h"

namespace orv {

class AirportTable;

// A redirect or stand file exists in "my_thirdparty" or "my_simaddon", or the table lists stands.
[[nodiscard]] bool gf_airportFileExists(std::string_view icao, const AirportTable& table);
// The stand-file name to load: a redirect's line, a local stand file's path (beginning with
// "airports"), "archive/stock/<ICAO>.xml" when the table lists stands; empty when none.
[[nodiscard]] std::string gf_resolveAirportFile(std::string_view icao, const AirportTable& table);
// The first line of an existing redirect file, trailing white space cut, when it names an ".xml"
// file (any letter case) of at least 4 characters.
[[nodiscard]] bool lf_readRedirectFile(const std::filesystem::path& path, std::string& name);

// Downloads the archived stand file from the site's "MSFS/" folder ("MSFS2024/" under MSFS 2024
// for third-party files). Empty on success, else the error text; no local file is left behind
// after a failure. Names with a ".." component or a leading '/' fail.
[[nodiscard]] std::string lf_downloadArchivedFile(std::string_view name,
                                                  const std::filesystem::path& localPath);

// Loads the stands of the stand file into gf_parkStands() (emptied by the caller) and fills the
// park airport. Empty on success, else the error text; a UserErrorException (a broken stand
// list, code 65 for a missing "altitude") passes through.
[[nodiscard]] std::string gf_readApf(ParkAirport& park, const std::string& name);

// Stands closer than 1.1 x the sum of their radii list each other as neighbours.
void gf_linkNeighbours(std::vector<Stand>& stands);

// The park airport's elevation in feet while one with stands is loaded; for the Traffic Reader.
// Any thread.
[[nodiscard]] std::optional<double> gf_parkElevation();
void gf_setParkElevation(std::optional<double> feet);
// Set once the park airport's stands are loaded. Any thread.
[[nodiscard]] bool gf_standsLoaded();
void gf_setStandsLoaded(bool loaded);

}  // namespace orv
