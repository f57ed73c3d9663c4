#pragma once

// The program's folders and file names, the known folders of the user, the per-user folder, the
// simulator choice and the detection of the simulator's packages folder.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os/known_folders.h"

namespace orv {

[[nodiscard]] std::optional<std::filesystem::path> gf_knownFolderPath(os::KnownFolder folder);

// The roaming application data; logs "Could not find the AppData path" and gives an empty path
// when there is none.
[[nodiscard]] std::filesystem::path gf_appDataPath();
// The local application data; "Could not find the Local AppData path" when there is none.
[[nodiscard]] std::filesystem::path gf_localAppDataPath();

// "Quillstar" under the roaming application data: the home of "parameters.xml".
[[nodiscard]] std::filesystem::path gf_userFolderPath();
[[nodiscard]] std::filesystem::path gf_parametersPath();

// The program's files and folders, relative to the working folder (its installation folder).
struct ProgramPaths {
  std::filesystem::path docs{"docs"};
  std::filesystem::path input{"input"};
  std::filesystem::path output{"output"};
  std::filesystem::path airports{"airports"};
  std::filesystem::path archive{"archive"};
  std::filesystem::path tblo{"tblo"};
  std::filesystem::path tbloZip{"tblo.zip"};
  std::filesystem::path newVersion{"new_version"};
  std::filesystem::path callsign2ObjectId{"Callsign2ObjectId.txt"};  // of older versions

  std::filesystem::path dbaseEnc = input / "dbase.enc";
  std::filesystem::path dbaseXml = input / "dbase.xml";
  std::filesystem::path airportsEnc = input / "airports.enc";
  std::filesystem::path airportsXml = input / "airports.xml";
  std::filesystem::path aigRegcodesEnc = input / "AIG-regcodes.enc";
  std::filesystem::path aigRegcodesXml = input / "AIG-regcodes.xml";
  std::filesystem::path myRegcodes = input / "my_regcodes";
  std::filesystem::path airportsMsfsXml = input / "airports_msfs.xml";             // of older versions
  std::filesystem::path airportsMsfsNamesXml = input / "airports_msfs_names.xml";  // of older versions

  std::filesystem::path liveriesScanned = output / "LiveriesScanned.xml";
  std::filesystem::path info = output / "info";
  std::filesystem::path errors = output / "errors";
  std::filesystem::path objectIdList = info / "ObjectIdList.txt";
  std::filesystem::path airportsScanLog = info / "AirportsScanLog.txt";
  std::filesystem::path aircraftCfgWithNoFltsimSection = info / "AircraftCfgWithNoFltsimSection.txt";
  std::filesystem::path airlineModelConversions = info / "AirlineModelConversions.txt";
  std::filesystem::path offlineRegcodes = info / "OfflineRegcodes.txt";
  std::filesystem::path inlineRegcodes = errors / "InlineRegcodes.txt";
  std::filesystem::path invalidAirlineCodes = errors / "InvalidAirlineCodes.txt";
  std::filesystem::path invalidAircraftCodes = errors / "InvalidAircraftCodes.txt";
  std::filesystem::path fixes = errors / "Fixes.txt";
  std::filesystem::path invalidAircraftCfgFiles = errors / "InvalidAircraftCfgFiles.txt";
  std::filesystem::path incompleFltsimSections = errors / "IncompleFltsimSections.txt";

  std::filesystem::path learned = airports / "learned";
  std::filesystem::path learnedStock = learned / "stock";
  std::filesystem::path learnedSimaddon = learned / "simaddon";
  std::filesystem::path learnedMySimaddon = learned / "my_simaddon";
  std::filesystem::path learnedThirdparty = learned / "thirdparty";
  std::filesystem::path myThirdparty = airports / "my_thirdparty";
  std::filesystem::path mySimaddon = airports / "my_simaddon";
  std::filesystem::path myParkAirports = airports / "my_park_airports.txt";
  std::filesystem::path parkAirport = airports / "park_airport.xml";

  std::filesystem::path archiveStock = archive / "stock";
  std::filesystem::path archiveSimaddon = archive / "simaddon";
  std::filesystem::path archiveThirdparty = archive / "thirdparty";

  std::filesystem::path installNewVersion = newVersion / "install_new_version.exe";
  std::filesystem::path releaseNotes = newVersion / "ReleaseNotes.pdf";
};

// Built once, on first use; any thread.
[[nodiscard]] const ProgramPaths& gf_paths();

// The kinds of stand files, as folder names and in download addresses.
inline constexpr std::string_view kStockWord = "stock";
inline constexpr std::string_view kSimaddonWord = "simaddon";
inline constexpr std::string_view kThirdpartyWord = "thirdparty";

// Names inside the simulator's installation.
inline constexpr std::string_view kCommunityName = "Community";
inline constexpr std::string_view kOfficial2020Name = "Official";
inline constexpr std::string_view kOfficial2024Name = "Official2024";
inline constexpr std::string_view kUserCfgOptName = "UserCfg.opt";
inline constexpr std::string_view kLocalCacheName = "LocalCache";
inline constexpr std::string_view kPackagesName = "Packages";
inline constexpr std::string_view kMsfsPackagesName = "MSFSPackages";
inline constexpr std::string_view kStorePackage2020 = "Microsoft.FlightSimulator_8wekyb3d8bbwe";
inline constexpr std::string_view kStorePackage2024 = "Microsoft.Limitless_8wekyb3d8bbwe";
inline constexpr std::string_view kFlightDashboardPackage = "Microsoft.FlightDashboard_8wekyb3d8bbwe";
inline constexpr std::string_view kSteamFolder2020 = "Microsoft Flight Simulator";
inline constexpr std::string_view kSteamFolder2024 = "Microsoft Flight Simulator 2024";
// RealTraffic's installation folder, and a package word that the add-on airport scan skips.
inline constexpr std::string_view kInsideSystemsName = "InsideSystems";
inline constexpr std::string_view kFsBaseWord = "fs-base";

// The simulator the program is set for: true for MSFS 2020 (the start value), false for MSFS
// 2024. Set by the start-up from SIM_CHOICE; every name with a 2020 and a 2024 form follows it.
// Any thread.
void gf_setMsfs2020Chosen(bool msfs2020);
[[nodiscard]] bool gf_msfs2020Chosen();

// The names of the chosen simulator.
[[nodiscard]] std::string_view gf_storePackageName();
[[nodiscard]] std::string_view gf_steamFolderName();
[[nodiscard]] std::string_view gf_officialFolderName();

// Detection of the simulator's packages folder, the one that holds "Community" and "Official"
// (MSFS 2020) or "Official2024" (MSFS 2024), for the chosen simulator. Start-up thread.

// The first existing of the four places of "UserCfg.opt" (the Store package's LocalCache, the
// Steam folder, the FlightDashboard package's LocalCache, "MSFSPackages"), each missing one
// logged; empty when there is none. Throws std::filesystem::filesystem_error when the file system
// cannot tell whether a candidate exists.
[[nodiscard]] std::filesystem::path gf_findUserCfgOpt();
// The existing "InstalledPackagesPath" of that file, or an empty path (logged).
[[nodiscard]] std::filesystem::path gf_userCfgPackagesPath();
// The Steam "Packages" folder when it exists (logged), or an empty path.
[[nodiscard]] std::filesystem::path gf_steamPackagesPath();
// The path and its "Community" and Official folders are all folders.
[[nodiscard]] bool gf_isPackagesRoot(const std::filesystem::path& path);

// Where the detected packages folder of each simulator is kept. The settings (MSFS_INSTALL_PATH,
// MSFS_2024_INSTALL_PATH, saved in "parameters.xml", and the edit box ALL_INSTALL_PATH) sit above
// this layer, so the start-up links them here: `stored` gives the setting of the simulator,
// `store` sets and saves it, copies it into ALL_INSTALL_PATH and shows it there. Until then the
// paths are kept in memory only; an empty link goes back to memory, emptied. Set before the
// threads that read it start.
struct PackagesPathSettings {
  std::function<std::string(bool msfs2020)> stored;
  std::function<void(bool msfs2020, const std::string& path)> store;
};
void gf_setPackagesPathSettings(PackagesPathSettings settings);

// Finds the packages folder, the Steam one first, then the one of "UserCfg.opt", and stores it
// as UTF-8 text for the chosen simulator. False, with nothing changed, when neither is one.
[[nodiscard]] bool gf_detectPackagesPath();

// The chosen simulator's stored packages folder joined with the relative path ("Community").
[[nodiscard]] std::filesystem::path gf_simRootPath(const std::filesystem::path& relative);

// Opens the folder that holds the file in the file manager. False when the file does not exist,
// the path has no parent folder, or the file manager could not be started.
[[nodiscard]] bool gf_openContainingFolder(const std::filesystem::path& file);

}  // namespace orv
