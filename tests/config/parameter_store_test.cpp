#include "config/parameter_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <pugixml.hpp>
#include <thread>
#include <utility>

#include "config/parameter_controls.h"
#include "config/parameter_xml.h"
#include "config/store_internal.h"
#include "foundation/folders.h"
#include "foundation/log.h"
#include "foundation/utf.h"
#include "support/foundation_state.h"
#include "support/settings_state.h"
#include "support/test_support.h"

namespace {

using namespace orv;
using testing_support::readFile;
using testing_support::readLines;
using testing_support::WorkingFolder;
using testing_support::writeFile;
using Pairs = std::vector<std::pair<std::string, std::string>>;

class Store : public testing::Test {
 protected:
  Store() {
    std::filesystem::create_directories(gf_userFolderPath());
    gf_openLog();
  }

  static std::filesystem::path path() { return gf_parametersPath(); }

  // A parameters file with the given elements, under "root" unless bare.
  static void writeParameters(const Pairs& pairs, bool bare = false) {
    std::string text = "<?xml version=\"1.0\"?>\n";
    text += bare ? "<parameters>\n" : "<root><parameters>\n";
    for (const auto& [name, value] : pairs)
      text += "<parameter name=\"" + name + "\" value=\"" + value + "\"/>\n";
    text += bare ? "</parameters>\n" : "</parameters></root>\n";
    writeFile(path(), text);
  }

  // The (name, value) pairs of the file, in its order.
  static Pairs stored() {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(path().c_str()));
    Pairs pairs;
    for (auto p : doc.child("root").child("parameters").children("parameter"))
      pairs.emplace_back(p.attribute("name").value(), p.attribute("value").value());
    return pairs;
  }

  static std::string storedValue(const std::string& name) {
    const Pairs pairs = stored();
    const auto it = std::find_if(pairs.begin(), pairs.end(), [&](const auto& p) { return p.first == name; });
    return it == pairs.end() ? "<missing>" : it->second;
  }

  static bool logHas(const std::string& line) {
    gf_flushLog();
    const auto lines = readLines(gf_logPath());
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  testing_support::FoundationState foundation;
  testing_support::SettingsState settings;
  WorkingFolder folder;
};

TEST_F(Store, AFirstStartWritesEverySettingWithItsDefault) {
  cfg::SCAN_LIVERIES.set(false);  // whatever memory holds, the new file has the defaults
  gf_loadParameters();
  EXPECT_TRUE(logHas(gf_pathToUtf8(path()) + " not found, creating new with default values:"));
  const std::string text = readFile(path());
  EXPECT_TRUE(text.starts_with(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <parameters>\n    <parameter "));
  const Pairs pairs = stored();
  ASSERT_EQ(pairs.size(), 60u);
  EXPECT_EQ(pairs.front(), (std::pair<std::string, std::string>{"RANDOM", "true"}));
  EXPECT_EQ(pairs[1].first, "ALWAYS_ON_TOP");
  EXPECT_EQ(pairs.back(), (std::pair<std::string, std::string>{"SIM_CHOICE", "MSFS 2020"}));
  EXPECT_EQ(storedValue("PROGRAM_VERSION"), "11.12.1");
  EXPECT_EQ(storedValue("PORT_NUMBER"), "10747");
  EXPECT_EQ(storedValue("RANGE"), "40");
  EXPECT_EQ(storedValue("LAST_EPOCH_TIME:"), "0");
  EXPECT_EQ(storedValue("SCAN_LIVERIES"), "true");
  EXPECT_EQ(storedValue("SCAN_AIRPORTS"), "true");
  EXPECT_TRUE(cfg::SCAN_LIVERIES.value());
  EXPECT_EQ(cfg::PROGRAM_VERSION.value(), "11.12.1");
  EXPECT_FALSE(std::filesystem::exists(path().string() + ".tmp"));

  // Read back, the file gives the same values and stays as it is.
  EXPECT_FALSE(gf_readParameters());
  EXPECT_EQ(stored(), pairs);
}

TEST_F(Store, LoadingClampsAndWritesBackClamped) {
  writeParameters({{"RANGE", "500"},
                   {"MAX_HOLDING_MINUTES", "0"},
                   {"HOLDING_THRESHOLD_METERS", "abc"},
                   {"CUSTOM_PARKING_PERCENTAGE", "55"},
                   {"RANDOM", "yes"},
                   {"GUID_CHANGES", "0"},
                   {"AEROWINX", "True"},
                   {"PORT_NUMBER", "12345"},
                   {"PROGRAM_VERSION", "11.12.1"}});
  EXPECT_FALSE(gf_readParameters());
  EXPECT_EQ(cfg::RANGE.value(), 100);
  EXPECT_EQ(cfg::MAX_HOLDING_MINUTES.value(), 1);
  EXPECT_EQ(cfg::HOLDING_THRESHOLD_METERS.value(), 10);  // "abc" reads 0, then clamped
  EXPECT_EQ(cfg::CUSTOM_PARKING_PERCENTAGE.value(), 55);
  EXPECT_TRUE(cfg::RANDOM.value());
  EXPECT_FALSE(cfg::GUID_CHANGES.value());
  EXPECT_TRUE(cfg::AEROWINX.value());
  EXPECT_EQ(cfg::PORT_NUMBER.value(), "12345");
  EXPECT_EQ(storedValue("RANGE"), "100");
  EXPECT_EQ(storedValue("MAX_HOLDING_MINUTES"), "1");
  EXPECT_EQ(storedValue("HOLDING_THRESHOLD_METERS"), "10");
  EXPECT_EQ(storedValue("GUID_CHANGES"), "0");  // values in range stay as written
  EXPECT_EQ(stored().size(), 60u);              // the missing ones were added
  EXPECT_TRUE(logHas("RANGE=100"));
  EXPECT_TRUE(logHas("PORT_NUMBER=\"12345\""));
}

TEST_F(Store, AMissingSettingIsAppendedAtTheEnd) {
  gf_saveParameters(true);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path().c_str()));
  auto parameters = doc.child("root").child("parameters");
  ASSERT_TRUE(
      parameters.remove_child(parameters.find_child_by_attribute("parameter", "name", "DESTINATION")));
  ASSERT_TRUE(doc.save_file(path().c_str()));
  EXPECT_FALSE(gf_readParameters());
  const Pairs pairs = stored();
  ASSERT_EQ(pairs.size(), 60u);
  EXPECT_EQ(pairs.back(), (std::pair<std::string, std::string>{"DESTINATION", ""}));
}

TEST_F(Store, AnUnloadableFileIsKeptAndReplaced) {
  writeFile(path(), "<root><parameters><parameter name=\"RANGE\" value=\"65\"");
  EXPECT_TRUE(gf_readParameters());
  EXPECT_EQ(readFile(gf_userFolderPath() / "parameters0.xml"),
            "<root><parameters><parameter name=\"RANGE\" value=\"65\"");
  EXPECT_EQ(stored().size(), 60u);
  // A file without "parameters" is replaced the same way.
  writeFile(path(), "<root><other/></root>");
  EXPECT_TRUE(gf_readParameters());
  EXPECT_EQ(readFile(gf_userFolderPath() / "parameters0.xml"), "<root><other/></root>");
}

TEST_F(Store, ASettingChangedWhileRunningIsInTheFileAtOnce) {
  gf_saveParameters(true);
  cfg::RANGE.set(65);
  gf_saveIntParameter(cfg::RANGE);
  EXPECT_EQ(storedValue("RANGE"), "65");
  cfg::WEEK.set(true);
  gf_saveBoolParameter(cfg::WEEK);
  EXPECT_EQ(storedValue("WEEK"), "true");
  gf_setAndWriteParameter(cfg::DESTINATION, "EHAM");
  EXPECT_EQ(storedValue("DESTINATION"), "EHAM");
  EXPECT_TRUE(logHas("DESTINATION=\"EHAM\""));
  cfg::PARKING_PERCENTAGE.set(45);  // not in the lists: appended
  gf_saveIntParameter(cfg::PARKING_PERCENTAGE);
  EXPECT_EQ(stored().back(), (std::pair<std::string, std::string>{"parking_percentage", "45"}));
  EXPECT_EQ(stored().size(), 61u);
}

TEST_F(Store, ASingleSaveUpdatesEveryElementWithTheKey) {
  writeParameters({{"RANGE", "10"}, {"DESTINATION", "A"}, {"RANGE", "20"}, {"OTHER", "kept"}});
  EXPECT_FALSE(gf_readParameters());
  EXPECT_EQ(cfg::RANGE.value(), 10);  // the first one counts
  cfg::RANGE.set(30);
  gf_saveIntParameter(cfg::RANGE);
  const Pairs pairs = stored();
  EXPECT_EQ(std::count(pairs.begin(), pairs.end(), std::pair<std::string, std::string>{"RANGE", "30"}), 2);
  EXPECT_EQ(storedValue("OTHER"), "kept");  // a single save keeps what it does not know
}

TEST_F(Store, TheOldLayoutIsReadAndRewrittenWithARoot) {
  writeParameters({{"RANGE", "65"}, {"PORT_NUMBER", "999"}}, true);
  EXPECT_FALSE(gf_readParameters());
  EXPECT_EQ(cfg::RANGE.value(), 65);
  EXPECT_EQ(cfg::PORT_NUMBER.value(), "999");
  writeParameters({{"RANGE", "65"}, {"PORT_NUMBER", "999"}}, true);
  cfg::PARKING_PERCENTAGE.set(20);
  gf_saveIntParameter(cfg::PARKING_PERCENTAGE);
  EXPECT_TRUE(logHas("Placing a root level around a new parameters.xml to make it 100% xml compliance"));
  EXPECT_EQ(storedValue("RANGE"), "65");
  EXPECT_EQ(storedValue("PORT_NUMBER"), "999");
  EXPECT_EQ(storedValue("parking_percentage"), "20");  // not lost by the rewrite from memory
}

// An upgrading user's file of the old layout, with the window last on a monitor that is gone:
// the window set-up saves the corrected position before the start-up's full load has read the
// file, while memory still holds the defaults.
TEST_F(Store, AnOldLayoutFileKeepsItsSettingsWhenTheWindowPositionIsSavedFirst) {
  writeParameters({{"PROGRAM_VERSION", "11.5.0"},
                   {"RANGE", "5"},
                   {"MSFS_INSTALL_PATH", "/sim/Packages"},
                   {"lfolder0", "/liveries"},
                   {"SCAN_LIVERIES", "false"},
                   {"MAIN_WINDOW_X", "30000"},
                   {"MAIN_WINDOW_Y", "300"}},
                  true);
  const std::string before = readFile(path());
  ASSERT_TRUE(gf_readWindowPosition());
  ASSERT_EQ(cfg::MAIN_WINDOW_X.value(), 30000);  // at the end of its range: replaced and saved
  cfg::MAIN_WINDOW_X.set(400);
  gf_saveIntParameter(cfg::MAIN_WINDOW_X);
  EXPECT_EQ(readFile(gf_userFolderPath() / "parameters0.xml"), before);  // the replaced file is kept
  EXPECT_EQ(storedValue("RANGE"), "5");

  gf_loadParameters();
  EXPECT_EQ(cfg::RANGE.value(), 5);
  EXPECT_EQ(cfg::MSFS_INSTALL_PATH.value(), "/sim/Packages");
  EXPECT_EQ(cfg::LFOLDER0.value(), "/liveries");
  EXPECT_EQ(cfg::MAIN_WINDOW_Y.value(), 300);
  EXPECT_EQ(storedValue("RANGE"), "5");
  EXPECT_EQ(storedValue("MAIN_WINDOW_X"), "400");
  // The stored version survived, so the clean-up after the old version ran.
  EXPECT_TRUE(logHas("This is a version update from 11.5.0 -> 11.12.1"));
  EXPECT_TRUE(cfg::SCAN_LIVERIES.value());
  EXPECT_EQ(storedValue("PROGRAM_VERSION"), "11.12.1");
}

// A file rewritten from memory, not from itself, is kept as its generation first.
TEST_F(Store, AFileRewrittenFromMemoryIsKeptFirst) {
  const std::pair<const char*, void (*)()> rewrites[] = {
      {"defaults", [] { gf_saveParameters(true); }},
      {"current values", [] { gf_saveParameters(false); }},
      {"a root around the old layout", [] { gf_wrapParametersRoot(); }},
  };
  for (const auto& [name, rewrite] : rewrites) {
    SCOPED_TRACE(name);
    writeParameters({{"RANGE", "65"}, {"lfolder3", "/kept"}}, true);
    const std::string before = readFile(path());
    rewrite();
    EXPECT_EQ(readFile(gf_userFolderPath() / "parameters0.xml"), before);
    EXPECT_EQ(stored().size(), 60u);
  }
}

// An element without a value counts as absent; it gets the value instead of a new element.
TEST_F(Store, AValuelessElementIsGivenItsValueOnce) {
  writeFile(path(),
            "<root><parameters><parameter name=\"PORT_NUMBER\"/>"
            "<parameter name=\"PROGRAM_VERSION\" value=\"11.12.1\"/></parameters></root>");
  for (int start = 0; start < 4; ++start) gf_loadParameters();
  const Pairs pairs = stored();
  EXPECT_EQ(std::count_if(pairs.begin(), pairs.end(), [](const auto& p) { return p.first == "PORT_NUMBER"; }),
            1);
  EXPECT_EQ(storedValue("PORT_NUMBER"), "10747");
  EXPECT_EQ(cfg::PORT_NUMBER.value(), "10747");
  EXPECT_EQ(pairs.size(), 60u);
}

// A file nested far deeper than its layout: saved indented as it was, it grew with the square of
// the depth (10,000 levels made 200 MB). Only the settings are written back, the file itself is
// kept as a generation.
TEST_F(Store, ADeeplyNestedFileIsSavedAsItsSettingsOnly) {
  constexpr int kDepth = 10000;
  std::string text =
      "<?xml version=\"1.0\"?>\n<root><parameters>\n<parameter name=\"RANGE\" value=\"5\"/>\n"
      "<parameter name=\"MAIN_WINDOW_X\" value=\"30000\"/>\n"
      "<parameter name=\"PROGRAM_VERSION\" value=\"11.12.1\"/>\n";
  for (int i = 0; i < kDepth; ++i) text += "<a>";
  for (int i = 0; i < kDepth; ++i) text += "</a>";
  text += "\n</parameters></root>\n";
  writeFile(path(), text);
  const auto bound = 3 * text.size();

  ASSERT_TRUE(gf_readWindowPosition());  // the window set-up, as at a start
  cfg::MAIN_WINDOW_X.set(400);
  gf_saveIntParameter(cfg::MAIN_WINDOW_X);
  EXPECT_LE(std::filesystem::file_size(path()), bound);
  gf_loadParameters();
  EXPECT_LE(std::filesystem::file_size(path()), bound);
  EXPECT_EQ(readFile(gf_userFolderPath() / "parameters0.xml"), text);
  EXPECT_EQ(cfg::RANGE.value(), 5);
  EXPECT_EQ(storedValue("MAIN_WINDOW_X"), "400");
  EXPECT_EQ(stored().size(), 60u);
  EXPECT_EQ(readFile(path()).find("<a"), std::string::npos);
  EXPECT_TRUE(logHas("==> " + gf_pathToUtf8(path()) + " holds more than its settings, kept as " +
                     gf_pathToUtf8(gf_userFolderPath() / "parameters0.xml")));
}

// A value that is no UTF-8 text, or no value the setting can take, is refused with a line that
// names the setting and the file; the setting takes its default, and the file written back is
// UTF-8 throughout, so that a strict XML reader takes it.
TEST_F(Store, InvalidTextIsRefusedAndNotWrittenBack) {
  const struct {
    const char* key;
    std::string stored;
    std::string loaded;
    const char* reason;  // empty when the value is taken
  } cases[] = {
      {"DESTINATION",
       "\xE9"
       "DDF",
       "", "no UTF-8 text"},
      {"DESTINATION", "EHAMX", "", "not a valid value"},
      {"DESTINATION", "EH-M", "", "not a valid value"},
      {"DESTINATION", "eham", "eham", ""},
      {"BLOCK_CALLSIGN", "\xFF\xFEKLM", "", "no UTF-8 text"},
      {"BLOCK_CALLSIGN", "KLM\x01", "", "no UTF-8 text"},
      {"BLOCK_CALLSIGN", "K\xC3\xA9LM", "K\xC3\xA9LM", ""},
      {"MSFS_INSTALL_PATH", "/sim/\xC3Packages", "", "no UTF-8 text"},
      {"AI_PACKAGE_SELECTOR", "AIG\xC0", "AIG, FSLTL, JF, MTL", "no UTF-8 text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(gf_escapeInvalidUtf8(c.stored));
    writeParameters({{c.key, c.stored},
                     {"AER\xFFOWINX", "true"},
                     {"OTHER", "kept"},
                     {"RANGE", "65"},
                     {"PROGRAM_VERSION", "11.12.1"}});
    gf_loadParameters();
    const StringParameter* parameter = nullptr;
    for (const auto* list : {&gf_stringList(), &gf_stringControlList()})
      for (const StringEntry& e : *list)
        if (e.parameter->key() == c.key) parameter = e.parameter;
    ASSERT_NE(parameter, nullptr);
    EXPECT_EQ(parameter->value(), c.loaded);
    EXPECT_EQ(storedValue(c.key), c.loaded);
    EXPECT_EQ(cfg::RANGE.value(), 65);
    const std::string line = "==> " + std::string(c.key) + " \"" + gf_escapeInvalidUtf8(c.stored) + "\" in " +
                             gf_pathToUtf8(path()) + " refused (" + c.reason + "), the default is taken";
    EXPECT_EQ(logHas(line), *c.reason != '\0') << line;
    const std::string written = readFile(path());
    EXPECT_TRUE(gf_isUtf8(written));
    EXPECT_EQ(storedValue("AER\xFFOWINX"), "<missing>");  // an element with a damaged name goes
    EXPECT_TRUE(logHas("==> parameter \"AER\\xffOWINX\" in " + gf_pathToUtf8(path()) +
                       " is no UTF-8 text, left out"));
    EXPECT_EQ(storedValue("OTHER"), "kept");
    pugi::xml_document strict;
    EXPECT_TRUE(strict.load_file(path().c_str(), pugi::parse_default, pugi::encoding_utf8));
  }
  gf_flushLog();
  EXPECT_TRUE(gf_isUtf8(readFile(gf_logPath())));
}

// A setting of any size reaches the log cut to a bound.
TEST_F(Store, AHugeValueIsLoggedCut) {
  const std::string huge(200000, 'K');
  writeParameters({{"BLOCK_CALLSIGN", huge}, {"PROGRAM_VERSION", "11.12.1"}});
  gf_loadParameters();
  EXPECT_EQ(cfg::BLOCK_CALLSIGN.value(), huge);
  gf_flushLog();
  const auto lines = readLines(gf_logPath());
  const auto line = std::find_if(lines.begin(), lines.end(),
                                 [](const std::string& l) { return l.starts_with("BLOCK_CALLSIGN=\"KKK"); });
  ASSERT_NE(line, lines.end());
  EXPECT_TRUE(line->ends_with("KKK...\"")) << line->size();
  EXPECT_LT(line->size(), 2000u);
  EXPECT_LT(std::filesystem::file_size(gf_logPath()), 20000u);
}

TEST_F(Store, ASingleSaveOnAnUnloadableFileWritesTheWholeState) {
  writeParameters({{"RANGE", "65"}, {"MSFS_INSTALL_PATH", "/sim/Packages"}, {"PROGRAM_VERSION", "11.12.1"}});
  EXPECT_FALSE(gf_readParameters());
  writeFile(path(), "<root><parameters><param");  // cut short by something else
  cfg::WEEK.set(true);
  gf_saveBoolParameter(cfg::WEEK);
  EXPECT_EQ(readFile(gf_userFolderPath() / "parameters0.xml"), "<root><parameters><param");
  EXPECT_EQ(stored().size(), 60u);
  EXPECT_EQ(storedValue("WEEK"), "true");
  EXPECT_EQ(storedValue("RANGE"), "65");
  EXPECT_EQ(storedValue("MSFS_INSTALL_PATH"), "/sim/Packages");
  // A missing file likewise gets every setting, and a setting outside the lists as well.
  std::filesystem::remove(path());
  cfg::PARKING_PERCENTAGE.set(15);
  gf_saveIntParameter(cfg::PARKING_PERCENTAGE);
  EXPECT_EQ(stored().size(), 61u);
  EXPECT_EQ(storedValue("parking_percentage"), "15");
  EXPECT_EQ(storedValue("RANGE"), "65");
}

TEST_F(Store, SingleSavesFromTwoThreadsAllArrive) {
  gf_saveParameters(true);
  std::thread a([] {
    for (int i = 0; i < 20; ++i) gf_setAndWriteParameter(cfg::DESTINATION, "EH" + std::to_string(10 + i));
  });
  std::thread b([] {
    for (int i = 0; i < 20; ++i) gf_setAndWriteParameter(cfg::BLOCK_CALLSIGN, "KLM" + std::to_string(i));
  });
  a.join();
  b.join();
  EXPECT_EQ(storedValue("DESTINATION"), "EH29");
  EXPECT_EQ(storedValue("BLOCK_CALLSIGN"), "KLM19");
  EXPECT_EQ(stored().size(), 60u);
}

// The closing down empties DESTINATION while the user may be typing one: of two changes of one
// setting, the file must end with the one that memory holds.
TEST_F(Store, ASingleSaveWritesTheValueOfWhenItGetsTheFile) {
  gf_saveParameters(true);
  std::thread typing;
  {
    std::scoped_lock busy(store::mutex());  // another save is writing the file
    typing = std::thread([] { gf_setAndWriteParameter(cfg::DESTINATION, "EHAM"); });
    while (cfg::DESTINATION.value() != "EHAM") std::this_thread::yield();
    for (int i = 0; i < 10000; ++i) std::this_thread::yield();  // its save is waiting for the file now
    // The closing down empties it meanwhile.
    cfg::DESTINATION.set("");
  }
  typing.join();
  EXPECT_EQ(storedValue("DESTINATION"), cfg::DESTINATION.value());
}

TEST_F(Store, SaveXmlAddsTheDeclarationAndIndentsByTwoBlanks) {
  pugi::xml_document doc;
  doc.append_child("root").append_child("a").append_child("b");
  const auto file = folder.path() / "x.xml";
  ASSERT_TRUE(gf_saveXml(doc, file));
  EXPECT_EQ(readFile(file),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <a>\n    <b />\n  </a>\n</root>\n");
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.xml.tmp"));
  // A document nested deeper than any of the program's files is written without the indent that
  // would grow with the square of its depth.
  pugi::xml_document deep;
  pugi::xml_node node = deep.append_child("root");
  for (int i = 0; i < 10000; ++i) node = node.append_child("a");
  ASSERT_TRUE(gf_saveXml(deep, file));
  EXPECT_LT(std::filesystem::file_size(file), 10u * 10000u);
  pugi::xml_document back;
  ASSERT_TRUE(back.load_file(file.c_str()));
  EXPECT_EQ(back.child("root").first_child().name(), std::string("a"));
  std::filesystem::create_directories(folder.path() / "dir.xml");  // cannot replace a folder
  EXPECT_FALSE(gf_saveXml(doc, folder.path() / "dir.xml"));
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "dir.xml.tmp"));
}

TEST_F(Store, LookupsOfTheFile) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(
      "<root><parameters><parameter name=\"A\"/><parameter name=\"A\" value=\"2\"/>"
      "<parameter name=\"B\" value=\"y\"/><parameter name=\"b\" value=\"0\"/></parameters></root>"));
  EXPECT_FALSE(gf_getXmlParameterInt(doc, "A"));  // the first element has no value
  EXPECT_EQ(gf_getXmlParameterBool(doc, "B"), true);
  EXPECT_EQ(gf_getXmlParameterBool(doc, "b"), false);  // keys are exact
  EXPECT_EQ(gf_getXmlParameterString(doc, "B"), "y");
  EXPECT_FALSE(gf_getXmlParameterString(doc, "C"));
}

// The version update, from what the file says.
class VersionUpdate : public Store {
 protected:
  void startWith(const std::string& version) {
    writeParameters({{"PROGRAM_VERSION", version}, {"RANGE", "65"}, {"SCAN_LIVERIES", "false"}});
    gf_loadParameters();
  }
  void leftovers() {
    std::filesystem::create_directories("output");
    std::filesystem::create_directories("input");
    std::filesystem::create_directories("new_version/sub");
    std::filesystem::create_directories("keep");
    for (const char* file : {"output/LiveriesScanned.xml", "Callsign2ObjectId.txt", "EHAM.xml", "EDDF.xml",
                             "input/airports_msfs.xml", "input/airports_msfs_names.xml",
                             "new_version/sub/setup.exe", "EHAMX.xml", "EHAM.txt", "keep/EDDF.xml"})
      writeFile(file, "x");
  }
};

TEST_F(VersionUpdate, NoStoredVersionGetsTheRunningOne) {
  leftovers();
  startWith("");
  EXPECT_EQ(storedValue("PROGRAM_VERSION"), "11.12.1");
  EXPECT_EQ(cfg::PROGRAM_VERSION.value(), "11.12.1");
  EXPECT_TRUE(std::filesystem::exists("EHAM.xml"));
  EXPECT_FALSE(cfg::SCAN_LIVERIES.value());
}

TEST_F(VersionUpdate, TooOldFilesAreReplacedByDefaults) {
  startWith("11.0.1");
  EXPECT_TRUE(logHas("This is a version update from 11.0.1 -> 11.12.1"));
  EXPECT_TRUE(logHas("Quillstar re-starts with default parameter values ..."));
  EXPECT_EQ(storedValue("RANGE"), "40");
  EXPECT_EQ(storedValue("PROGRAM_VERSION"), "11.12.1");
  EXPECT_EQ(cfg::RANGE.value(), 65);  // this run keeps what it loaded
  EXPECT_TRUE(std::filesystem::exists(gf_userFolderPath() / "parameters0.xml"));
}

TEST_F(VersionUpdate, OlderVersionsHaveTheirLeftoversRemoved) {
  leftovers();
  startWith("11.0.2");
  EXPECT_TRUE(cfg::SCAN_LIVERIES.value());
  EXPECT_EQ(storedValue("SCAN_LIVERIES"), "true");
  EXPECT_EQ(storedValue("PROGRAM_VERSION"), "11.12.1");
  EXPECT_EQ(storedValue("RANGE"), "65");
  for (const char* gone : {"output/LiveriesScanned.xml", "Callsign2ObjectId.txt", "EHAM.xml", "EDDF.xml",
                           "input/airports_msfs.xml", "input/airports_msfs_names.xml", "new_version"})
    EXPECT_FALSE(std::filesystem::exists(gone)) << gone;
  for (const char* kept : {"EHAMX.xml", "EHAM.txt", "keep/EDDF.xml"})
    EXPECT_TRUE(std::filesystem::exists(kept)) << kept;
}

TEST_F(VersionUpdate, TheSameOrANewerVersionChangesNothing) {
  leftovers();
  startWith("11.12.1");
  EXPECT_TRUE(std::filesystem::exists("EHAM.xml"));
  EXPECT_FALSE(cfg::SCAN_LIVERIES.value());
  startWith("12.0.0");
  EXPECT_TRUE(std::filesystem::exists("EHAM.xml"));
  EXPECT_EQ(storedValue("RANGE"), "65");
  EXPECT_EQ(storedValue("PROGRAM_VERSION"), "11.12.1");
}

TEST_F(VersionUpdate, AnUnreadableVersionIsTakenAsMissing) {
  leftovers();
  startWith("eleven");
  EXPECT_TRUE(
      logHas("==> PROGRAM_VERSION \"eleven\" is not a version (invalid version format), taken as missing"));
  EXPECT_EQ(storedValue("PROGRAM_VERSION"), "11.12.1");
  EXPECT_TRUE(std::filesystem::exists("EHAM.xml"));
  gf_loadParameters();  // and the next start is a normal one
  EXPECT_EQ(storedValue("RANGE"), "65");
}

TEST_F(VersionUpdate, AHugeOrStrangeVersionIsTakenAsMissing) {
  const std::string digits(100000, '7');
  const struct {
    std::string version;
    std::string quoted;  // as the log line shows it
    const char* reason;
  } cases[] = {
      {digits, digits.substr(0, 200) + "...", "invalid version format"},
      {digits + ".1.1", digits.substr(0, 200) + "...", "parse error in version string"},
      {"1." + digits + ".x", "1." + digits.substr(0, 198) + "...", "invalid version format"},
      {"11.12.1" + std::string(5000, '.'), "11.12.1" + std::string(193, '.') + "...",
       "invalid version format"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quoted.substr(0, 12));
    leftovers();
    startWith(c.version);
    EXPECT_TRUE(logHas("==> PROGRAM_VERSION \"" + c.quoted + "\" is not a version (" + c.reason +
                       "), taken as missing"));
    EXPECT_EQ(storedValue("PROGRAM_VERSION"), "11.12.1");
    EXPECT_EQ(storedValue("RANGE"), "65");             // the settings are kept
    EXPECT_TRUE(std::filesystem::exists("EHAM.xml"));  // and nothing is cleaned up
  }
}

// Settings shown in the controls of a window.
class StoreWithControls : public Store {
 protected:
  StoreWithControls() {
    parent = ui::createWindow(ui::WindowSpec{});
    for (WindowControl* c : std::initializer_list<WindowControl*>{
             &cfg::AUTO_RANGE, &cfg::RANGE, &cfg::AR_ABOVE_HEIGHT, &cfg::SIM_CHOICE, &cfg::BLOCK_CALLSIGN,
             &cfg::PARKING_PERCENTAGE, &cfg::WEEK}) {
      ui::ControlSpec spec;
      spec.kind = c->kind();
      spec.parent = parent;
      spec.controlId = c->controlId();
      c->setWindow(ui::createControl(std::move(spec)));
    }
    gf_fillIntCombo(cfg::RANGE);
    gf_fillIntCombo(cfg::PARKING_PERCENTAGE);
    gf_fillStringCombo(cfg::SIM_CHOICE);
    gf_showCheck(cfg::AUTO_RANGE);
  }
  ui::WindowHandle parent;
};

TEST_F(StoreWithControls, TheFullLoadShowsTheValues) {
  writeParameters({{"AUTO_RANGE", "false"},
                   {"RANGE", "65"},
                   {"SIM_CHOICE", "MSFS 2024"},
                   {"BLOCK_CALLSIGN", "KLM12"},
                   {"PROGRAM_VERSION", "11.12.1"}});
  EXPECT_TRUE(ui::isChecked(cfg::AUTO_RANGE.window()));
  gf_loadParameters();
  EXPECT_FALSE(ui::isChecked(cfg::AUTO_RANGE.window()));
  EXPECT_EQ(ui::selectedItem(cfg::RANGE.window()), u"65");
  EXPECT_EQ(ui::selectedItem(cfg::SIM_CHOICE.window()), u"MSFS 2024");
  EXPECT_EQ(ui::windowText(cfg::BLOCK_CALLSIGN.window()), u"KLM12");
}

TEST_F(StoreWithControls, PerAirportSettingsAreClampedSavedAndShown) {
  cfg::AUTO_RANGE.set(true);
  gf_saveParameters(false);
  AirportSettings settings;
  settings.range = 1000;
  settings.parkingPercentage = 45;
  settings.autoRange = false;
  settings.week = true;
  settings.maxFit = 47;  // unchanged: not saved again
  gf_applyIntParameterChanges(settings);
  EXPECT_EQ(cfg::RANGE.value(), 100);
  EXPECT_EQ(gf_rangeMeters(), 100 * 1852);
  EXPECT_EQ(ui::selectedItem(cfg::RANGE.window()), u"100");
  EXPECT_EQ(storedValue("RANGE"), "100");
  EXPECT_EQ(storedValue("parking_percentage"), "45");
  EXPECT_EQ(ui::selectedItem(cfg::PARKING_PERCENTAGE.window()), u"45");
  EXPECT_EQ(storedValue("AUTO_RANGE"), "false");
  EXPECT_FALSE(ui::isChecked(cfg::AUTO_RANGE.window()));
  EXPECT_TRUE(ui::isEnabled(cfg::RANGE.window()));
  EXPECT_FALSE(ui::isEnabled(cfg::AR_ABOVE_HEIGHT.window()));
  EXPECT_TRUE(ui::isChecked(cfg::WEEK.window()));
  EXPECT_EQ(storedValue("WEEK"), "true");
  gf_flushLog();
  const auto lines = readLines(gf_logPath());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "MAX_FIT=47"), 1);  // by the full save only

  settings = {};
  settings.range = 25;
  gf_applyIntParameterChanges(settings);
  EXPECT_DOUBLE_EQ(gf_rangeNm(), 25.0);
  EXPECT_EQ(gf_rangeMeters(), 25 * 1852);
  EXPECT_EQ(ui::selectedItem(cfg::RANGE.window()), u"25");
}

// A radius between two steps of the drop-down shows the step above it, as the range setter does,
// whether a stand file's settings or a learned file brings it or the full load reads it.
TEST_F(StoreWithControls, ARadiusBetweenStepsShowsTheStepAboveIt) {
  gf_saveParameters(false);
  AirportSettings settings;
  settings.range = 45;
  gf_applyIntParameterChanges(settings);
  EXPECT_EQ(cfg::RANGE.value(), 45);
  EXPECT_EQ(gf_rangeMeters(), 45 * 1852);
  EXPECT_EQ(ui::selectedItem(cfg::RANGE.window()), u"50");
  EXPECT_EQ(storedValue("RANGE"), "45");

  gf_setAndSaveRange(33);
  EXPECT_EQ(ui::selectedItem(cfg::RANGE.window()), u"35");
  EXPECT_EQ(storedValue("RANGE"), "33");

  writeParameters({{"RANGE", "7"}, {"PROGRAM_VERSION", "11.12.1"}});
  gf_loadParameters();
  EXPECT_EQ(ui::selectedItem(cfg::RANGE.window()), u"8");
}

// The traffic filter and the simulator request read the radius: it is RANGE as loaded, at once,
// not a copy that waits for a per-airport setting.
TEST_F(Store, TheRadiusIsTheLoadedRange) {
  struct Case {
    const char* range;
    double nm;
    std::int32_t metres;
  };
  for (const Case c : {Case{"5", 5.0, 9260}, Case{"40", 40.0, 74080}, Case{"100", 100.0, 185200}}) {
    SCOPED_TRACE(c.range);
    cfg::RANGE.set(65);
    writeParameters({{"RANGE", c.range}, {"AUTO_RANGE", "false"}, {"PROGRAM_VERSION", "11.12.1"}});
    gf_loadParameters();
    EXPECT_FALSE(cfg::AUTO_RANGE.value());
    EXPECT_DOUBLE_EQ(gf_rangeNm(), c.nm);
    EXPECT_EQ(gf_rangeMeters(), c.metres);
  }
}

TEST_F(Store, TheWindowPositionBeforeTheWindowExists) {
  EXPECT_FALSE(gf_readWindowPosition());
  writeParameters({{"MAIN_WINDOW_X", "-40000"}, {"MAIN_WINDOW_Y", "300"}});
  EXPECT_TRUE(gf_readWindowPosition());
  EXPECT_EQ(cfg::MAIN_WINDOW_X.value(), -30000);
  EXPECT_EQ(cfg::MAIN_WINDOW_Y.value(), 300);
  writeFile(path(), "<root");
  EXPECT_FALSE(gf_readWindowPosition());
  EXPECT_FALSE(std::filesystem::exists(path()));
  EXPECT_EQ(readFile(gf_userFolderPath() / "parameters0.xml"), "<root");
  gf_flushLog();
  EXPECT_NE(readFile(gf_logPath()).find("failed to load ("), std::string::npos);
  EXPECT_NE(readFile(gf_logPath()).find("). Saved as 0.xml and removed."), std::string::npos);
}

}  // namespace
