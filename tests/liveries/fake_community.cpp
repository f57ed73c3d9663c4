#include "fake_community.h"

#include <gtest/gtest.h>

#include <fstream>

#include "foundation/data_cipher.h"
#include "refdata/dbase.h"
#include "support/test_support.h"

namespace testing_support {
namespace fs = std::filesystem;

namespace {

const char* const kDbase = R"(<?xml version="1.0"?>
<root>
  <aircrafts><aircraft types="A20N,A320,B738,B772,C172"/></aircrafts>
  <cargo_types><cargo_type types="B772"/></cargo_types>
  <heavy><hvy types="B772"/></heavy>
  <large><lar types="A20N,A320,B738"/></large>
  <buzjet><bzj types="CL60"/></buzjet>
  <high_performance><hpf types="F16"/></high_performance>
  <rotorcraft><rot types="EC35"/></rotorcraft>
  <ICAO_airlines><ICAO codes="ABC,BAW,DLH,KLM,PVT,ZZZ"/></ICAO_airlines>
  <cargo_operators><ICAO codes="ABC"/></cargo_operators>
  <simaddons20><simaddon20 arpts="EGLL"/></simaddons20>
  <fixes><fx wro="B73H" cor="B738"/></fixes>
  <dbase><d r="G-VIIA" a="BAW" m="B772" o="BAW"/><d r="D-AIGA" a="" m="A320" o=""/></dbase>
</root>
)";

std::string lf_sections(const std::string& prefix, int count) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text +=
        "[fltsim." + std::to_string(i) + "]\ntitle=" + prefix + std::to_string(i) + "\nicao_airline=DLH\n";
  return text;
}

}  // namespace

void writeCfg(const fs::path& path, const std::string& text, Encoding encoding, bool crlf) {
  std::string lines;
  for (const char c : text) {
    if (c == '\n' && crlf) lines += '\r';
    lines += c;
  }
  std::string bytes;
  switch (encoding) {
    case Encoding::Utf8:
    case Encoding::Windows1252:
      bytes = lines;
      break;
    case Encoding::Utf8Bom:
      bytes = "\xEF\xBB\xBF" + lines;
      break;
    case Encoding::Utf16Le:
      bytes = "\xFF\xFE";
      for (const char c : lines) {
        bytes += c;
        bytes += '\0';
      }
      break;
  }
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

fs::path writeFakeCommunity(const fs::path& root) {
  fs::path community = root / "Community";
  const auto planes = [&](const std::string& package) {
    return community / package / "SimObjects" / "Airplanes";
  };
  // Decoys for the detectors.
  fs::create_directories(community / "_CVT_aig-aitraffic-oci");
  writeFile(community / "A_IVAO_MTL_readme", "a file, not a package");
  // Where names ignore case (Windows) the decoy would be the package's own folder under another
  // name, and the package would be scanned as an ordinary one: there it has no decoy.
  fs::create_directories(community / "IVAO_MTL");
  if (!fs::exists(community / "ivao_mtl")) fs::create_directories(community / "ivao_mtl");

  const fs::path aig = planes("aig-aitraffic-oci-beta");
  writeCfg(aig / "AIG_B738" / "aircraft.cfg",
           "[General]\n"
           "icao_type_designator = B738WL\n"
           "[fltsim.0]\n"
           "title = \"AIG B738 Lufthansa\" // the flag carrier\n"
           "icao_airline=dlhx\n"
           "atc_id=D-ABCD;painted 2019\n"
           "atc_parking_types=GATE,CARGO\n"
           "[FLTSIM.1]\n"
           "title=AIG B738 ABC Cargo\n"
           "icao_airline=ABCC\n"
           "atc_parking_types=cargo\n"
           "atc_id=N12345,N54321\n"
           "[fltsim.2]\n"
           "title=AIG B738 Generic\n"
           "icao_airline=ZZZZ\n"
           "atc_id=G-ZZZZ\n"
           "[fltsim.3]\n"
           "title=AIG B738 Empty airline\n"
           "icao_airline=\"\"\n"
           "[fltsim.4]\n"
           "title=AIG B738 Retro\n"
           "icao_airline=RFO\n"
           "[fltsim.5]\n"
           "title=AIG B738 Unknown airline\n"
           "icao_airline=QQQ\n"
           "[fltsim.6]\n"
           "title=AIG B738-STUB\n"
           "icao_airline=DLH\n"
           "atc_id=D-STUB\n"
           "[fltsim.7]\n"
           "title=PMDG 737 Copy\n"
           "[fltsim.8]\n"
           "title=AIG B738 Star\n"
           "icao_airline=DLH\n"
           "atc_id=*\n"
           "atc_id=D-STAR\n"
           "[fltsim.9]\n"
           "title=AIG B738 Long registration\n"
           "icao_airline=DLH\n"
           "atc_id=ABCDEFGHIJKLM\n"
           "[fltsim.10]\n"
           "title=AIG B738 Two titles\n"
           "title=AIG B738 Second title\n"
           "icao_airline=DLH\n"
           "[Fltsim.11] // a comment\n"
           "title=AIG B738 Ten thousand\n"
           "icao_airline=DLH\n"
           "icao_airline=BAW\n"
           "//\n\n",
           Encoding::Utf8Bom, true);
  writeCfg(aig / "AIG_A20N" / "aircraft.cfg",
           "[General]\nbase_container=..\\Asobo_A320_NEO\n"
           "[fltsim.0]\ntitle=AIG A20N KLM\nicao_airline=KLM\n"
           "[fltsim.1]\ntitle=FenixA320 KLM\nicao_airline=KLM\n",
           Encoding::Utf16Le, false);
  writeCfg(aig / "AIG_B772" / "aircraft.cfg",
           "[General]\nicao_type_designator=B772\n"
           "[fltsim.0]\ntitle=AIG B772 Caf\xE9\n"
           "[fltsim.1]\ntitle=AIG B772 Speedbird\natc_id=G-VIIA\n"
           "[fltsim.2]\ntitle=AIG B772 Unknown registration\natc_id=G-NONE\n",
           Encoding::Windows1252, true);
  writeCfg(aig / "airport-vehicles" / "aircraft.cfg", lf_sections("AIG pruned ", 1), Encoding::Utf8, false);
  writeCfg(aig / "AIG_B738" / "aircraft.cfg.bak", lf_sections("AIG backup ", 1), Encoding::Utf8, false);

  const fs::path jf = planes("justflight-aircraft-traffic-fleet");
  writeCfg(jf / "JF_B73H" / "Aircraft.CFG",
           "[General]\nicao_type_designator=B73H\n"
           "[fltsim.0]\ntitle=JF B738 Fixed\nicao_airline=BAW\n"
           "[fltsim.1]\ntitle=AIG B738 Lufthansa\nicao_airline=DLH\n",
           Encoding::Utf8, true);
  writeCfg(jf / "JF_ZZ99" / "aircraft.cfg",
           "[General]\nicao_type_designator=ZZ99\n" + lf_sections("JF unknown ", 1), Encoding::Utf8, false);
  writeCfg(planes("justflight-fstraffic-module") / "JF2" / "aircraft.cfg", lf_sections("JF second ", 1),
           Encoding::Utf8, false);

  writeCfg(planes("fsltl-traffic-base") / "FSLTL_A320" / "aircraft.cfg",
           "[General]\nicao_type_designator=a320\n[fltsim.0]\ntitle=FSLTL A320 Lufthansa\nicao_airline=DLH\n",
           Encoding::Utf8, false);

  const fs::path ivao = planes("IVAO_MTL") / "IVAO_B738";
  fs::create_directories(ivao / "texture.KLM");
  writeCfg(ivao / "aircraft.cfg",
           "[fltsim.0]\ntitle= B738 KLM Royal Dutch\ntexture=KLM\n"
           "[fltsim.1]\ntitle=B738 DLH Missing texture\ntexture=NOPE\n"
           "[fltsim.2]\ntitle=B738 QQQ Unknown\ntexture=KLM\n",
           Encoding::Utf8, false);

  const fs::path user = planes("user-aitraffic");
  writeCfg(user / "pmdg-aircraft-7" / "aircraft.cfg", lf_sections("PMDG user ", 1), Encoding::Utf8, false);
  writeCfg(user / "Sections" / "aircraft.cfg",
           "[General]\nicao_type_designator=A320\n[fltsim.0]\ntitle=a\n[fltsim.1]\ntitle=b\n[fltsim.10001]"
           "\ntitle=c\n",
           Encoding::Utf8, false);
  writeCfg(user / "Eleven" / "aircraft.cfg",
           "[General]\nicao_type_designator=A320\n[fltsim.12345678901]\ntitle=d\n", Encoding::Utf8, false);
  writeCfg(user / "NoHeader" / "aircraft.cfg", "[General]\nicao_type_designator=A320\ntitle=e\n",
           Encoding::Utf8, false);
  writeCfg(user / "Bracket" / "aircraft.cfg",
           "[General]\nicao_type_designator=A320\n"
           "[fltsim.0]\ntitle=User A320 Bracket\n[General]\nicao_airline=DLH\n"
           "[fltsim.1]\ntitle=User A320 Private\natc_id=D-AIGA\n"
           "[fltsim.2]\ntitle=User A320 Long line\nicao_airline=DLH\natc_parking_types=" +
               std::string(100000, 'G') + "\n",
           Encoding::Utf8, false);
  writeCfg(user / "NoModel" / "aircraft.cfg", lf_sections("User no model ", 1), Encoding::Utf8, false);
  std::string huge = "[General]\nicao_type_designator=A320\n" + lf_sections("User huge ", 1);
  huge += std::string(20u * 1024u * 1024u, ' ');
  writeCfg(user / "Huge" / "aircraft.cfg", huge, Encoding::Utf8, false);
  return community;
}

void installScanDbase() {
  fs::create_directories("input");
  writeFile("dbase-plain.xml", kDbase);
  orv::gf_streamEncrypt("dbase-plain.xml", "input/dbase.enc");
  fs::remove("dbase-plain.xml");
  ASSERT_TRUE(orv::gf_readDbase());
}

}  // namespace testing_support
