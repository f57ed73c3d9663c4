// The user's aircraft: its requests, its answers, the type rules and the stand.

#include "simlink/user_aircraft.h"

#include "foundation/message_line.h"
#include "foundation/run_control.h"
#include "refdata/codes.h"
#include "sim_link_fixture.h"
#include "simlink/sim_display.h"

namespace {

using namespace std::chrono_literals;
using orv::UserAcBlock;
using orv::standin::Call;
using simlink_test::SimLinkTest;
using testing_support::logBody;

// Half wing spans in nautical miles from metres, as the aircraft database gives them.
constexpr double lf_nm(double metres) {
  return metres / 1852.0;
}

// The code tables as the aircraft database leaves them, with a few types.
void lf_installLookup() {
  orv::ReferenceSets sets;
  for (const auto& [code, metres] : {std::pair{"B738", 17.9},
                                     {"A320", 18.1},
                                     {"E190", 14.4},
                                     {"CRJ7", 11.7},
                                     {"ABC", 10.0},
                                     {"AB", 9.0},
                                     {"A388", 40.0},
                                     {"B772", 30.5}})
    sets.halfWingspans.at(orv::gf_modelId(code)) = lf_nm(metres);
  sets.largestHalfWingspan = lf_nm(40.0);
  for (const char* code : {"B738", "A320", "A319"}) sets.classes.large.insert(orv::gf_modelId(code));
  sets.classes.heavy.insert(orv::gf_modelId("A388"));
  orv::gf_installReferenceSets(std::move(sets));
}

UserAcBlock lf_at(double latitude, double longitude, double groundVelocity = 0.0) {
  UserAcBlock block;
  block.position.latitude = latitude;
  block.position.longitude = longitude;
  block.position.groundVelocity = groundVelocity;
  return block;
}

TEST(UserAircraftRules, TheModelTextBecomesAnIcaoType) {
  lf_installLookup();
  struct Case {
    const char* model;
    const char* title;
    const char* type;
  };
  const Case cases[] = {
      {"A350-900", "", "A359"},
      {"N738B", "", "B38M"},
      {"777", "", "772"},
      {"A330-200 (RR)", "", "A332"},
      {"XB738.0.text", "", "B738"},    // four characters before ".0.text"
      {"XYQABC.0.text", "", "ABC"},    // only the last three form a known type
      {"XYZAB.0.text", "", "AB"},      // only the last two
      {"B7.0.text", "", "B7.0.text"},  // too short for four or three, and B7 is unknown
      {"QQQQ.0.text", "", "QQQQ.0.text"},
      {"$$:B738", "", "B738"},
      {"$$:X", "", "$$:X"},  // fewer than five characters
      {"737", "Boeing DG 737-800 Air", "B738"},
      {"737", "DG 737-700", "B737"},
      {"737", "DG 737-600", "B736"},
      {"737", "DG 737-900", "B739"},
      {"737", "Some 737", "737"},
      {"B738", "", "B738"},
  };
  for (const Case& c : cases) EXPECT_EQ(orv::lf_rewriteModel(c.model, c.title), c.type) << c.model;
}

TEST(UserAircraftRules, ZuluTimeBecomesUnixSeconds) {
  EXPECT_EQ(orv::lf_zuluToUnix(1970, 1, 0), 0);
  EXPECT_EQ(orv::lf_zuluToUnix(2000, 60, 3600), 951786000);  // 2000-02-29 01:00
  EXPECT_EQ(orv::lf_zuluToUnix(2001, 1, 0), 978307200);
}

TEST(UserAircraftRules, TitlesAreCutAt48BytesBeforeACharacter) {
  EXPECT_EQ(orv::lf_cutTitle(std::string(48, 'a')), std::string(48, 'a'));
  EXPECT_EQ(orv::lf_cutTitle(std::string(49, 'a')), std::string(48, 'a'));
  const std::string accent = std::string(47, 'a') + "\xC3\xA9" + "b";  // "é" at bytes 47 and 48
  EXPECT_EQ(orv::lf_cutTitle(accent), std::string(47, 'a'));
  const std::string euro = std::string(46, 'a') + "\xE2\x82\xAC";  // "€" ends exactly at 49 bytes
  EXPECT_EQ(orv::lf_cutTitle(euro), std::string(46, 'a'));
}

class UserAircraftTest : public SimLinkTest {
 protected:
  void SetUp() override {
    SimLinkTest::SetUp();
    lf_installLookup();
  }
  void model(std::string_view title, std::string_view model) {
    orv::lf_onUserAcTitle(title);
    orv::lf_onUserAcModel(model);
  }
};

TEST_F(UserAircraftTest, TheSpanOfTheTypeOrOfTheTitleOrTheLargest) {
  struct Case {
    const char* title;
    const char* model;
    double span;
    bool known;
    const char* line;
  };
  const Case cases[] = {
      {"Boeing 737-800", "B738", lf_nm(17.9), true,
       "SimConnect: User aircraft model: B738, half wing span: 17.9 meter, category: Large"},
      {"Airbus A380", "A388", lf_nm(40.0), true,  // the largest of the table still counts as known
       "SimConnect: User aircraft model: A388, half wing span: 40.0 meter, category: Heavy"},
      {"Aerosoft A320 Lufthansa", "ZZZZ", lf_nm(18.1), true,
       "SimConnect: User aircraft model deduced from title: A320, half wing span: 18.1 meter, category: "
       "Large"},
      {"Aerosoft A320 Lufthansa", "LONGTYPE", lf_nm(18.1), true,
       "SimConnect: User aircraft model deduced from title: A320, half wing span: 18.1 meter, category: "
       "Large"},
      {"Aerosoft A319 Lufthansa", "LONGTYPE", lf_nm(40.0), false,  // A319 has no entry either
       "SimConnect: User aircraft model deduced from title: A319, category: Large"},
      {"Some Glider", "LONGTYPE", lf_nm(40.0), false,
       "SimConnect: User aircraft model: LONGTYPE, category: Light"},
      {"Some Glider", "B7", lf_nm(40.0), false, "SimConnect: User aircraft model: B7, category: Light"},
      {"Camera", "camerapod", lf_nm(14.4), true, "SimConnect: User aircraft model: camerapod"},
  };
  for (const Case& c : cases) {
    orv::gf_clearMessage();
    model(c.title, c.model);
    EXPECT_DOUBLE_EQ(orv::gf_userHalfWingspan(), c.span) << c.model;
    EXPECT_EQ(display().spanKnown, c.known) << c.model;
    EXPECT_EQ(logBody().back(), std::string(10, ' ') + c.line) << c.model;
    EXPECT_EQ(
        orv::gf_messageLines().message,
        c.known ? "" : "User aircraft wing span unknown, max is taken instead, please report in my Forum!")
        << c.model;
  }
}

TEST_F(UserAircraftTest, AnEmptyModelTakesTheCrj7AndLeavesTheLampAlone) {
  model("Some Glider", "LONGTYPE");
  ASSERT_FALSE(display().spanKnown);
  const std::size_t before = logBody().size();
  orv::lf_onUserAcModel("");
  EXPECT_DOUBLE_EQ(orv::gf_userHalfWingspan(), lf_nm(11.7));
  EXPECT_FALSE(display().spanKnown);
  EXPECT_EQ(display().aircraftText, "Unknown (encrypted?) aircraft");
  const auto lines = logBody();
  ASSERT_EQ(lines.size(), before + 1);  // no "model raw" line
  EXPECT_EQ(lines.back(),
            "171: No model info from your user aircraft received in SimConnect, CRJ7 is taken instead");
}

TEST_F(UserAircraftTest, TheTitleIsShownAndLoggedWhenItChanges) {
  orv::lf_onUserAcTitle("");
  EXPECT_TRUE(logHas("! Title of your aircraft is empty?"));
  orv::lf_onUserAcTitle(std::string(49, 'T'));
  orv::lf_onUserAcTitle(std::string(48, 'T'));  // the same once cut: nothing new
  EXPECT_EQ(display().aircraftText, std::string(48, 'T'));
  const auto lines = logBody();
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       std::string(10, ' ') + "SimConnect: User aircraft title: " + std::string(48, 'T')),
            1);
}

TEST_F(UserAircraftTest, AJumpOfMoreThanTenMilesIsANewFlight) {
  orv::lf_onUserAcPosition(lf_at(0.0, 20.0));  // the first position is never a jump
  orv::lf_onUserAcPosition(lf_at(0.0, 20.0 + 9.999 / 60.0));
  EXPECT_FALSE(orv::gf_runStopRaised());
  orv::lf_onUserAcPosition(lf_at(0.0, 20.0 + 9.999 / 60.0 + 10.01 / 60.0));
  EXPECT_TRUE(logHas("Teleport"));
  EXPECT_EQ(orv::gf_runOutcome().reason, orv::ExitReason::NewFlight);
  EXPECT_EQ(orv::gf_runOutcome().restartSeconds, 45);
}

TEST_F(UserAircraftTest, TheRepliesOfTheSimulatorUpdateTheBlock) {
  orv::standin::Scenario scenario;
  scenario.user.latDeg = 47.25;
  scenario.user.lonDeg = 11.35;
  scenario.user.altFt = 1900;
  scenario.user.groundAltFt = 1900;
  scenario.user.headingDeg = 90;
  scenario.zuluUnix = 951786000;
  connect(scenario);
  orv::gf_setKeepSimulatorUtc(true);
  orv::gf_requestUserOnGroundEverySecond();
  EXPECT_EQ(orv::gf_requestUserAcPosition().position.latitude, 0.0);  // the answer comes later
  pump();
  UserAcBlock block = orv::gf_requestUserAcPosition();
  EXPECT_DOUBLE_EQ(block.position.latitude, 47.25);
  EXPECT_NEAR(block.position.trueHeading, 1.5707963, 1e-6);
  EXPECT_EQ(block.zuluYear, 2000);
  EXPECT_EQ(orv::gf_simulatorUtc(), 951786000);
  EXPECT_EQ(orv::gf_linkState().userObjectId, orv::standin::kUserObjectId);

  standIn->advance(1s);
  pump();
  EXPECT_TRUE(orv::gf_userDataKnown());
  EXPECT_TRUE(orv::gf_userAircraftOnGround());

  // Taking off, a little further on; then a jump of 20 miles.
  standIn->setUser({{"on_ground", false}, {"alt_ft", 2500.0}, {"lat", 47.26}});
  standIn->advance(1s);
  pump();
  EXPECT_FALSE(orv::gf_userAircraftOnGround());
  block = orv::gf_requestUserAcPosition();
  EXPECT_DOUBLE_EQ(block.position.altitude, 1900.0);
  pump();
  EXPECT_DOUBLE_EQ(orv::gf_userAcBlock().position.altitude, 2500.0);
  EXPECT_FALSE(orv::gf_runStopRaised());
  standIn->teleport({{"lat", 47.26 + 20.0 / 60.0}});
  (void)orv::gf_requestUserAcPosition();
  pump();
  EXPECT_EQ(orv::gf_runOutcome().reason, orv::ExitReason::NewFlight);
}

TEST_F(UserAircraftTest, AFailedRequestBlocksTheLink) {
  connect();
  standIn->failNext(Call::RequestDataOnSimObject);
  (void)orv::gf_requestUserAcPosition();
  EXPECT_TRUE(logHas("SimConnect request user ac position fails"));
  EXPECT_TRUE(orv::gf_simConnectBlocked());
  EXPECT_EQ(orv::gf_runOutcome().reason, orv::ExitReason::SimConnectError);
  (void)orv::gf_requestUserAcPosition();  // blocked: not sent again
  orv::gf_requestUserAcTitleAndModel();
  EXPECT_EQ(standIn->journal("request").size(), 1u);  // the injected failure
}

TEST_F(UserAircraftTest, TheModelIsAskedForAlsoWhenTheTitleRequestFailed) {
  connect();
  standIn->failNext(Call::RequestDataOnSimObject);
  orv::gf_requestUserAcTitleAndModel();
  EXPECT_TRUE(logHas("SimConnect request user ac title fails"));
  const auto requests = standIn->journal("request");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1]["request"], 107);
  pump();
  EXPECT_TRUE(logHas("SimConnect: User aircraft model: A320"));
}

TEST_F(UserAircraftTest, TheStandAtTheUsersPositionIsShownAndReservedWhenStandingStill) {
  std::vector<std::string> reserved;
  orv::gf_setNearestStandNameHook(
      [](double latitude, double) { return latitude > 50.0 ? std::string("A12") : std::string(); });
  orv::gf_setUserStandReservationHook([&](const std::string& stand) { reserved.push_back(stand); });

  orv::lf_onUserAcPosition(lf_at(50.5, 8.5, 2.1));
  EXPECT_EQ(display().standText, "A12");
  orv::lf_reserveUserStand();
  EXPECT_TRUE(reserved.empty());  // the user data are not known yet
  orv::lf_onUserOnGround(1);
  orv::lf_reserveUserStand();
  EXPECT_TRUE(reserved.empty());  // 2.1 kt is moving
  orv::lf_onUserAcPosition(lf_at(50.5, 8.5, 2.0));
  orv::lf_reserveUserStand();
  EXPECT_EQ(reserved, std::vector<std::string>{"A12"});

  orv::lf_onUserAcPosition(lf_at(49.5, 8.5, 0.0));
  EXPECT_EQ(display().standText, "");
  orv::lf_reserveUserStand();
  EXPECT_EQ(reserved.size(), 1u);  // no stand there
}

}  // namespace
