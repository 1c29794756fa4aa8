// The runner driving the agent module on a captured device, and the report it
// builds from what the agent handed the host.
#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Discovery.h"
#include "support/CaptureFolder.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

const std::string kExampleDevice = std::string(ERX_SOURCE_DIR) + "/devices/pe1-erx";

Json Discover(const std::string& dir, DiscoveryOptions options = {}) {
  ReplayTransport device;
  std::string problem;
  EXPECT_TRUE(device.Load(dir, problem)) << problem;
  if (options.modulePath.empty()) options.modulePath = ERX_MODULE_PATH;
  Json report;
  EXPECT_TRUE(DiscoverCapturedDevice(device, options, report, problem)) << problem;
  return report;
}

std::vector<std::string> Keys(const Json& object) {
  std::vector<std::string> keys;
  for (const auto& item : object.items()) keys.push_back(item.key());
  return keys;
}

bool IsText(const Json& v) { return v.is_string(); }
bool IsInt(const Json& v) { return v.is_number_integer(); }
bool IsTexts(const Json& v) { return v.is_array() && std::all_of(v.begin(), v.end(), IsText); }
bool IsInts(const Json& v) { return v.is_array() && std::all_of(v.begin(), v.end(), IsInt); }
bool IsList(const Json& v) { return v.is_array(); }

using Shape = std::map<std::string, bool (*)(const Json&)>;

// Every element of `rows` is an object whose keys are in `shape`, with the type it names.
void ExpectRows(const Json& rows, const Shape& shape) {
  ASSERT_TRUE(rows.is_array()) << rows;
  for (const Json& row : rows) {
    ASSERT_TRUE(row.is_object()) << row;
    for (const auto& item : row.items()) {
      auto check = shape.find(item.key());
      ASSERT_NE(check, shape.end()) << "unexpected key " << item.key() << " in " << row;
      EXPECT_TRUE(check->second(item.value())) << item.key() << " in " << row;
    }
  }
}

TEST(RunnerReport, HasTheAgreedShape) {
  const Json report = Discover(kExampleDevice);
  EXPECT_THAT(Keys(report), ElementsAre("device", "agent", "virtualRouters", "labelEntries", "vrfs",
                                        "interfaces", "ipAddresses", "errors"));
  EXPECT_EQ(report["device"], "pe1-erx");
  EXPECT_EQ(report["agent"], "Discovery Agent for Unisphere ERX MPLS information using Telnet");
  ExpectRows(report["virtualRouters"], {{"name", IsText}, {"vrfs", IsTexts}});
  ExpectRows(report["labelEntries"],
             {{"virtualRouter", IsText}, {"lspName", IsText}, {"inLabel", IsText},
              {"outLabel", IsText}, {"outIfIndex", IsInt}, {"outInterface", IsText},
              {"nextHop", IsText}, {"inIfIndexes", IsInts}, {"inInterfaces", IsTexts}});
  ExpectRows(report["vrfs"], {{"virtualRouter", IsText}, {"name", IsText},
                              {"routeDistinguisher", IsText}, {"exportRouteTargets", IsTexts},
                              {"importRouteTargets", IsTexts}, {"ifIndexes", IsInts},
                              {"impositions", IsList}});
  for (const Json& vrf : report["vrfs"]) {
    ExpectRows(vrf.value("impositions", Json::array()),
               {{"label", IsText}, {"destination", IsText}, {"ifIndex", IsInt},
                {"interface", IsText}, {"nextHop", IsText}});
  }
  ExpectRows(report["interfaces"],
             {{"ifIndex", IsInt}, {"ifDescr", IsText}, {"virtualRouter", IsText}, {"vrf", IsText}});
  EXPECT_TRUE(std::is_sorted(report["interfaces"].begin(), report["interfaces"].end(),
                             [](const Json& a, const Json& b) { return a["ifIndex"] < b["ifIndex"]; }));
  ExpectRows(report["ipAddresses"], {{"virtualRouter", IsText}, {"address", IsText}, {"ifIndex", IsInt}});
  ExpectRows(report["errors"], {{"code", IsInt}, {"source", IsText}, {"line", IsInt}, {"text", IsText}});
}

TEST(RunnerReport, AgentErrorsAreReportedAndDiscoveryGoesOn) {
  // A router that lists one virtual router twice: the second one's replies
  // collide in the agent's cache.
  CaptureFolder capture;
  capture.Write("cli.log",
                "pe1#show virtual-router\n"
                "Virtual Router   Router ID        Type\n"
                "default          10.255.0.1       default\n"
                "default          10.255.0.1       default\n"
                "pe1#show mpls interface\n"
                "none\n");
  const Json report = Discover(capture.Path());
  ASSERT_FALSE(report["errors"].empty());
  const Json& error = report["errors"][0];
  EXPECT_EQ(error["code"], -220439);
  EXPECT_EQ(error["source"], "CPelkUnisphereMPLSTelnet");
  EXPECT_EQ(error["line"], 1898);
  EXPECT_THAT(error["text"].get<std::string>(), HasSubstr("Failed to add telnet key - value default"));
}

TEST(RunnerReport, HostSettingsReachTheAgent) {
  DiscoveryOptions onlyRed;
  onlyRed.wantedVrfs = {"red"};
  const Json red = Discover(kExampleDevice, onlyRed);
  for (const Json& vrf : red["vrfs"]) EXPECT_EQ(vrf["name"], "red");

  DiscoveryOptions noLabels;
  noLabels.gatherLabels = false;
  const Json report = Discover(kExampleDevice, noLabels);
  EXPECT_THAT(report["labelEntries"], IsEmpty());
  for (const Json& vrf : report["vrfs"]) EXPECT_THAT(vrf["impositions"], IsEmpty());
}

TEST(RunnerReport, ModuleThatCannotBeLoadedIsAProblem) {
  ReplayTransport device;
  std::string problem;
  ASSERT_TRUE(device.Load(kExampleDevice, problem));
  Json report;
  DiscoveryOptions options;
  options.modulePath = "/nonexistent/libAgent.so";
  EXPECT_FALSE(DiscoverCapturedDevice(device, options, report, problem));
  EXPECT_THAT(problem, HasSubstr("cannot load the agent module /nonexistent/libAgent.so"));
}

}  // namespace
