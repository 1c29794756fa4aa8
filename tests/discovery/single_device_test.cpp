// One device from start to end, in this process: what stops it before any
// router is contacted, and what it adds to the report of a capture.
#include <stdlib.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/LiveDevice.h"
#include "discovery/LiveSettings.h"
#include "discovery/SingleDevice.h"

using namespace testing;

namespace {

const std::string kPe1 = std::string(ERX_SOURCE_DIR) + "/devices/pe1-erx";

DeviceOutcome Discover(const DeviceSource& source, const DiscoveryOptions& options,
                       report::Report& found, std::string& problem) {
  const Outcome<DeviceOutcome> discovered = DiscoverOneDevice(source, options, false, found);
  problem = discovered.message();
  return discovered.code();
}

DeviceOutcome Open(const LiveOptions& options, std::string& problem) {
  const Outcome<DeviceOutcome> opened = LiveDevice().Open(options);
  problem = opened.message();
  return opened.code();
}

DiscoveryOptions WithModule() {
  DiscoveryOptions options;
  options.modulePath = ERX_MODULE_PATH;
  return options;
}

TEST(SingleDevice, ACaptureOrModuleThatCannotBeUsedStopsIt) {
  report::Report found;
  std::string problem;
  DeviceSource missing;
  missing.capture = kPe1 + "-nowhere";
  EXPECT_EQ(Discover(missing, WithModule(), found, problem), DeviceOutcome::kCannotStart);
  EXPECT_THAT(problem, HasSubstr("pe1-erx-nowhere"));

  DeviceSource pe1;
  pe1.capture = kPe1;
  DiscoveryOptions noModule;
  noModule.modulePath = "/nonexistent/module.so";
  problem.clear();
  EXPECT_EQ(Discover(pe1, noModule, found, problem), DeviceOutcome::kCannotStart);
  EXPECT_THAT(problem, StartsWith("cannot load the agent module /nonexistent/module.so"));
}

TEST(SingleDevice, AVrfTheRouterLacksIsAWarningNotAFailure) {
  DeviceSource pe1;
  pe1.capture = kPe1;
  DiscoveryOptions options = WithModule();
  options.wantedVrfs = {"red", "nosuch"};
  report::Report found;
  std::string problem;
  internal::CaptureStderr();
  const DeviceOutcome outcome = Discover(pe1, options, found, problem);
  EXPECT_EQ(internal::GetCapturedStderr(),
            "erx-discover: pe1-erx: the router has no VRF named nosuch (it has red, blue, green, "
            "lab)\n");
  ASSERT_EQ(outcome, DeviceOutcome::kDiscovered) << problem;
  EXPECT_EQ(found.health.status, report::HealthStatus::kOk);
  EXPECT_THAT(found.vrfs, ElementsAre(Field(&report::Vrf::name, std::string("red"))));
  EXPECT_EQ(found.labelEntries.size(), 5u) << "the VRFs asked for keep every label entry";
  ASSERT_FALSE(found.warnings.empty());
  // After the agent's own warnings.
  EXPECT_EQ(found.warnings.back().text,
            "the router has no VRF named nosuch (it has red, blue, green, lab)");
  EXPECT_EQ(found.warnings.back().vrf, "nosuch");
  for (const report::Warning& warning : found.warnings) {
    EXPECT_THAT(warning.text, Not(HasSubstr("no VRF named red")));
  }
}

// Bad secrets and options are found before the router is contacted: the
// address is one no test listens on.
TEST(LiveDevice, RefusesWhatItCannotLogInWithBeforeConnecting) {
  LiveOptions options;
  options.host = "127.0.0.1";
  options.telnetPort = 9;
  options.quiet = true;
  options.secretNames.password = "ERX_TEST_UNSET_PASSWORD";
  unsetenv("ERX_TEST_UNSET_PASSWORD");
  std::string problem;
  EXPECT_EQ(Open(options, problem), DeviceOutcome::kCannotStart);
  EXPECT_THAT(problem, StartsWith("ERX_TEST_UNSET_PASSWORD is not set"));

  setenv("ERX_TEST_EMPTY_PASSWORD", "", 1);
  options.secretNames.password = "ERX_TEST_EMPTY_PASSWORD";
  EXPECT_EQ(Open(options, problem), DeviceOutcome::kCannotStart);
  EXPECT_THAT(problem, StartsWith("ERX_TEST_EMPTY_PASSWORD is empty"));

  setenv("ERX_TEST_PASSWORD", "not a real one", 1);
  options.secretNames.password = "ERX_TEST_PASSWORD";
  options.contextCommunities = {"vr1=ERX_TEST_UNSET_COMMUNITY"};
  EXPECT_EQ(Open(options, problem), DeviceOutcome::kCannotStart);
  EXPECT_THAT(problem, StartsWith("--context-community vr1=ERX_TEST_UNSET_COMMUNITY: give"));
  EXPECT_THAT(problem, Not(HasSubstr("not a real one")));

  options.contextCommunities.clear();
  options.snmpVersion = "3";
  EXPECT_EQ(Open(options, problem), DeviceOutcome::kCannotStart);
  EXPECT_EQ(problem, "SNMPv3 needs a user: give --snmp-user or --user");
}

// Each setting's member is of the type its kind is read into: a row that
// got them wrong would throw when the options are made.
TEST(LiveSettings, EveryRowReachesAMemberOfItsKindAndIsNamedOnce) {
  using K = SettingKind;
  const std::map<SettingKind, size_t> memberIndex = {
      {K::kText, 0},      {K::kPath, 0},      {K::kVariable, 0},
      {K::kChoice, 0},    {K::kNumber, 1},    {K::kSeconds, 2},
      {K::kFlag, 3},      {K::kTransport, 3}, {K::kContextCommunities, 4},
      {K::kSshOptions, 4}};
  LiveOptions options;
  std::set<std::string> names;
  for (const LiveSetting& setting : LiveSettings()) {
    const std::string name = std::string(setting.flag) + "/" + setting.key;
    EXPECT_EQ(setting.member(options).index(), memberIndex.at(setting.kind)) << name;
    if (setting.kind == K::kNumber || setting.kind == K::kSeconds) {
      EXPECT_LT(setting.low, setting.high) << name;
    }
    if (setting.kind == K::kChoice || setting.kind == K::kTransport) {
      EXPECT_GE(setting.choices.size(), 2u) << name;
    }
    EXPECT_NE(name, "/") << "a setting nobody can give";
    if (*setting.flag) {
      EXPECT_TRUE(names.insert(setting.flag).second) << name;
    }
    if (*setting.key) {
      EXPECT_TRUE(names.insert(setting.key).second) << name;
    }
  }
}

}  // namespace
