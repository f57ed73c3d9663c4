#pragma once

// The report lists of a livery scan, filled by the scan workers, written to the files in
// "output/errors" and "output/info" after the scan and emptied again; with them the titles seen
// in this scan and the titles the user does not want used. Each list has its own lock: any
// thread appends; writing and emptying happen on the start-up thread.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_record.h"

namespace orv {

void lf_appendInvalidAirlineLine(std::string_view code, const std::filesystem::path& cfg,
                                 std::string_view header);
void lf_appendInvalidModelLine(std::string_view code, const std::filesystem::path& cfg);
void lf_appendFixLine(std::string_view wrong, const std::filesystem::path& cfg, std::string_view right);
void lf_appendInvalidCfgLine(std::string line);
void lf_appendIncompleteSectionLine(std::string line);
void lf_appendNoFltsimFile(const std::filesystem::path& cfg);
// The database corrections; start-up thread only.
void lf_appendConversionLine(std::string line);

// Copies of the lists, for the reports and the tests.
struct ScanReportLines {
  std::vector<std::string> invalidAirlines;
  std::vector<std::string> invalidModels;
  std::vector<std::string> fixes;
  std::vector<std::string> invalidCfgFiles;
  std::vector<std::string> incompleteSections;
  std::vector<std::string> noFltsimFiles;
  std::vector<std::string> conversions;
};
[[nodiscard]] ScanReportLines lf_scanReportLines();

// Adds the title unless it was seen before in this scan; true when it was added.
[[nodiscard]] bool lf_addSeenTitle(const std::string& title);

// What one scan worker reports, kept apart while it runs so that the start-up thread can take
// the workers' results in the order of their files: the same tree gives the same files whatever
// the number of workers. Inside a worker, the appends above go here, and the seen titles are
// those of the worker's own file.
struct WorkerReports {
  ScanReportLines lines;
  std::vector<std::string> seen;
  // For each livery of the worker, the line reporting it when its title was taken earlier.
  std::vector<std::string> duplicateLines;
};
class ScopedWorkerReports {
 public:
  explicit ScopedWorkerReports(WorkerReports& reports);
  ~ScopedWorkerReports();
  ScopedWorkerReports(const ScopedWorkerReports&) = delete;
  ScopedWorkerReports& operator=(const ScopedWorkerReports&) = delete;

 private:
  WorkerReports* previous_;
};
// The line for the livery just made, should its title turn out to be taken; outside a worker
// nothing.
void lf_noteDuplicateLine(std::string line);
// The worker's lines into the lists; its liveries whose titles were not seen yet into the list
// (the others reported). Start-up thread.
void lf_mergeWorkerResult(WorkerReports& reports, std::vector<Livery>& liveries, LiveryList& list);

// Titles the scan leaves out; filled on the start-up thread before the workers start.
void lf_addDontUseTitle(std::string title);
[[nodiscard]] bool lf_isDontUseTitle(std::string_view title);
[[nodiscard]] std::size_t lf_dontUseTitleCount();

// Removes the previous scan's reports and "LiveriesScanned.xml", and "errors" when it is empty.
// The first failure is logged and ends the removal.
void lf_removeOldScanFiles();
// The summary in the log and the report files of the lists that are not empty.
void lf_writeScanReports();
// Writes the model fixes, creating the missing folders.
void lf_writeFixesFile(const std::vector<std::string>& lines, const std::filesystem::path& path);
// Empties every list, the seen titles and the don't-use titles.
void lf_clearScanLists();

}  // namespace orv
