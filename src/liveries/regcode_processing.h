#pragma once

// The registration codes of the livery tables: the registrations written in the liveries, then
// the AIG regcode file, then the user's files in "input/my_regcodes", each later source
// overriding the earlier; with the special liveries, the unique registrations and the reports
// "InlineRegcodes.txt" and "OfflineRegcodes.txt". Before a scan the same files give the titles
// the scan leaves out. Start-up thread.

#include <filesystem>
#include <string>
#include <vector>

#include "liveries/livery_record.h"
#include "liveries/livery_tables.h"
#include "refdata/regcode_files.h"

namespace orv {

// The in-line registrations of the list into the tables; clashes reported.
void lf_processInlineRegcodes(LiveryTables& tables, const LiveryList& liveries);
// The file sources, the offline report and the counts.
void lf_processRegcodes(LiveryTables& tables);
// One source into the tables; its summary line is added to the offline lines.
void lf_mergeRegcodes(LiveryTables& tables, const std::vector<RegcodeEntry>& entries,
                      std::vector<std::string>& offline);

// The don't-use titles before a scan: the entries without registrations of both sources.
void lf_readDontUseTitles();

}  // namespace orv
