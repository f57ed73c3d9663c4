#include "foundation/charset.h"

#include <gtest/gtest.h>

#include <sstream>

#include "foundation/log.h"
#include "foundation/message_line.h"
#include "support/foundation_state.h"
#include "support/test_support.h"

namespace {

using orv::Charset;
using testing_support::readLines;
using testing_support::WorkingFolder;
using testing_support::writeFile;
using Lines = std::vector<std::string>;

// Each test starts from the foundation's fresh process-wide state and leaves it so.
using Charsets = testing_support::FreshFoundationTest;

TEST_F(Charsets, DetectionFromTheFirstBytes) {
  struct Case {
    std::string bytes;
    Charset expected;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF"
       "abc",
       Charset::Utf8WithBom},
      {std::string("\xFF\xFE"
                   "a\0",
                   4),
       Charset::Unicode},
      {std::string("\xFE\xFF\0a", 4), Charset::UnicodeBigEndian},
      {std::string("a\0b\0", 4), Charset::Unicode},
      {std::string("\0a\0b", 4), Charset::UnicodeBigEndian},
      {std::string("a\0", 2), Charset::Unicode},
      {"plain ascii\r\n", Charset::Utf8WithoutBom},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x9B\xAB", Charset::Utf8WithoutBom},
      {"a\xE9"
       "b",
       Charset::Ansi},
      {"", Charset::Utf8WithoutBom},
      {"ab\xE0\x80\x80", Charset::Ansi},      // overlong
      {"ab\xF5\x80\x80\x80", Charset::Ansi},  //
      {"ab\xC0\x80", Charset::Ansi},          //
      {"ab\xF4\x90\x80\x80", Charset::Ansi},  // above U+10FFFF
      {"abcd\xC3", Charset::Ansi},            // cut off by the end of the file
  };
  for (const Case& c : cases)
    EXPECT_EQ(orv::gf_detectCharsetOfBytes(c.bytes), c.expected) << testing::PrintToString(c.bytes);
}

TEST_F(Charsets, DetectionOfFiles) {
  WorkingFolder folder;
  EXPECT_EQ(orv::gf_detectCharset("missing.cfg"), Charset::NoneFound);
  writeFile("empty.cfg", "");
  EXPECT_EQ(orv::gf_detectCharset("empty.cfg"), Charset::Utf8WithoutBom);
  writeFile("le.cfg", std::string("a\0b\0", 4));
  EXPECT_EQ(orv::gf_detectCharset("le.cfg"), Charset::Unicode);
  // A valid two-byte character across the 4096-byte sampling limit is still UTF-8.
  writeFile("straddle.cfg", std::string(4095, 'a') + "\xC3\xA9" + "tail");
  EXPECT_EQ(orv::gf_detectCharset("straddle.cfg"), Charset::Utf8WithoutBom);
  // A bad byte after the limit is not looked at.
  writeFile("late.cfg", std::string(4096, 'a') + "\xE9");
  EXPECT_EQ(orv::gf_detectCharset("late.cfg"), Charset::Utf8WithoutBom);
  writeFile("early.cfg", std::string(4000, 'a') + "\xE9" + std::string(200, 'a'));
  EXPECT_EQ(orv::gf_detectCharset("early.cfg"), Charset::Ansi);
}

// The last sampled bytes: a lead byte there is UTF-8 only when the bytes after the sample finish
// its character; a Windows-1252 letter there is not taken for a character cut off by the limit.
TEST_F(Charsets, TheEndOfTheSampleIsDecidedByTheBytesAfterIt) {
  WorkingFolder folder;
  struct Case {
    std::size_t at;  // where the bytes start
    std::string bytes;
    std::string tail;  // after them, to the end of the file
    Charset expected;
  };
  const Case cases[] = {
      {4095, "\xE9", " Airbus A320\n", Charset::Ansi},       // Windows-1252 e acute in the last byte
      {4095, "\xE9", "", Charset::Ansi},                     // and as the file's last byte
      {4094, "\xE2\x82", "x", Charset::Ansi},                // a three-byte lead not finished after it
      {4095, "\xC3\xA9", "x", Charset::Utf8WithoutBom},      // UTF-8 e acute across the limit
      {4094, "\xE2\x82\xAC", "x", Charset::Utf8WithoutBom},  // the euro sign across it
      {4095, "\xF0\x9F\x9B\xAB", "", Charset::Utf8WithoutBom},
      {4095, "\xF0\x9F\x9B", "", Charset::Ansi},  // the file ends inside the character
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes) + " at " + std::to_string(c.at));
    writeFile("aircraft.cfg", std::string(c.at, 'a') + c.bytes + c.tail);
    EXPECT_EQ(orv::gf_detectCharset("aircraft.cfg"), c.expected);
  }
  // Read as detected, the Windows-1252 letter at byte 4095 is an e acute.
  writeFile("aircraft.cfg", std::string(4095, 'a') + "\xE9" + "\n");
  Lines lines;
  EXPECT_TRUE(orv::gf_readTextFileByCharset(orv::gf_detectCharset("aircraft.cfg"), "aircraft.cfg", lines));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].ends_with("a\xC3\xA9")) << lines[0].substr(4090);
}

TEST_F(Charsets, Windows1252) {
  EXPECT_EQ(orv::gf_ansiToUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(orv::gf_ansiToUtf8("\x80\x97\x9F"),
            "\xE2\x82\xAC\xE2\x80\x94\xC5\xB8");  // euro, em dash, Y diaeresis
  // The five bytes the code page leaves out become the control characters of the same number.
  EXPECT_EQ(orv::gf_ansiToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
  EXPECT_EQ(orv::gf_ansiToUtf8("\xA0\xFF"), "\xC2\xA0\xC3\xBF");
}

TEST_F(Charsets, CuttingLines) {
  struct Case {
    std::string text;
    Lines expected;
  };
  const Case cases[] = {
      {"a\r\n\r\nb\n", {"a", "", "b"}},   {"a\nb", {"a", "b"}}, {"", {}}, {"\n", {""}},
      {"\xEF\xBB\xBFx\r\ny", {"x", "y"}}, {"a\n\n", {"a", ""}},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.text);
    Lines lines;
    orv::gf_readStreamLines(in, lines);
    EXPECT_EQ(lines, c.expected) << testing::PrintToString(c.text);
  }
}

class ReadByCharset : public testing::Test {
 protected:
  Lines read(Charset charset, const std::string& bytes) {
    writeFile("f.cfg", bytes);
    Lines lines{"left over"};
    read_ = orv::gf_readTextFileByCharset(charset, "f.cfg", lines);
    return lines;
  }
  // Whether the last read took the whole file.
  bool read_ = false;
  testing_support::FoundationState state;
  WorkingFolder folder;
};

TEST_F(ReadByCharset, EveryCharset) {
  EXPECT_EQ(read(Charset::Unicode, std::string("\xFF\xFE"
                                               "a\0\r\0\n\0b\0",
                                               10)),
            (Lines{"a", "b"}));
  EXPECT_EQ(read(Charset::UnicodeBigEndian, std::string("\xFE\xFF\0a\0\r\0\n\0b", 10)), (Lines{"a", "b"}));
  // Without a mark the detected byte order holds.
  EXPECT_EQ(read(Charset::Unicode, std::string("a\0\n\0\xE9\0", 6)), (Lines{"a", "\xC3\xA9"}));
  EXPECT_EQ(read(Charset::UnicodeBigEndian, std::string("\0a\0\n\0b", 6)), (Lines{"a", "b"}));
  EXPECT_EQ(read(Charset::Utf8WithBom,
                 "\xEF\xBB\xBF"
                 "title=x\r\nb\n"),
            (Lines{"title=x", "b"}));
  EXPECT_EQ(read(Charset::Utf8WithoutBom, "caf\xC3\xA9\n"), (Lines{"caf\xC3\xA9"}));
  EXPECT_EQ(read(Charset::Ansi, "caf\xE9\r\nx"), (Lines{"caf\xC3\xA9", "x"}));
  EXPECT_TRUE(read_);
  EXPECT_TRUE(orv::gf_messageLines().message.empty());
}

TEST_F(ReadByCharset, DetectedThenRead) {
  const std::string le(
      "\xFF\xFE"
      "a\0=\0\xE9\0",
      8);
  writeFile("aircraft.cfg", le);
  Lines lines;
  EXPECT_TRUE(orv::gf_readTextFileByCharset(orv::gf_detectCharset("aircraft.cfg"), "aircraft.cfg", lines));
  EXPECT_EQ(lines, (Lines{"a=\xC3\xA9"}));
}

TEST_F(ReadByCharset, FailuresBecomeAMessageAndKeepTheLinesBefore) {
  orv::gf_openLog();
  // The second line holds a lone high surrogate.
  EXPECT_EQ(read(Charset::Unicode, std::string("\xFF\xFE"
                                               "a\0\n\0\x00\xD8\n\0",
                                               10)),
            (Lines{"a"}));
  EXPECT_FALSE(read_);  // the line before the failure is no file
  EXPECT_EQ(orv::gf_messageLines().message, "Read failed for 'f.cfg': wide_to_utf8: invalid UTF-16");
  EXPECT_EQ(read(Charset::NoneFound, "x"), Lines{});
  EXPECT_EQ(orv::gf_messageLines().message,
            "Read failed for 'f.cfg': file f.cfg has unknown charset: none_found");
  EXPECT_EQ(read(static_cast<Charset>(17), "x"), Lines{});
  EXPECT_EQ(orv::gf_messageLines().message, "Read failed for 'f.cfg': file f.cfg has unknown charset: ");
  EXPECT_EQ(read(Charset::Unicode, std::string("\xFF\xFE"
                                               "a",
                                               3)),
            Lines{});
  EXPECT_FALSE(read_);
  EXPECT_NE(orv::gf_messageLines().message.find("odd number of bytes"), std::string::npos);
  // An error of the file system part way through the reading: a folder cannot be read.
  std::filesystem::create_directory("folder.cfg");
  Lines lines;
  EXPECT_FALSE(orv::gf_readTextFileByCharset(Charset::Ansi, "folder.cfg", lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(orv::gf_messageLines().message.starts_with("Read failed for 'folder.cfg': "));
  orv::gf_flushLog();
  EXPECT_EQ(readLines("Log.txt").at(1), "Read failed for 'f.cfg': wide_to_utf8: invalid UTF-16");
}

TEST_F(ReadByCharset, AMissingFileGivesNoLinesAndNoMessage) {
  Lines lines{"x"};
  EXPECT_TRUE(orv::gf_readTextFileByCharset(Charset::Ansi, "missing.cfg", lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(orv::gf_readTextFileByCharset(Charset::Unicode, "missing.cfg", lines));
  EXPECT_TRUE(orv::gf_messageLines().message.empty());
}

}  // namespace
