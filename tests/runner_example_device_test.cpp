// What discovery must find on the example devices, worked out by hand in
// devices/README.md.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Discovery.h"
#include "support/AgentHarness.h"

using testing::HasSubstr;
using testing::IsEmpty;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

Json Discover(const char* device, int debugLevel = 0, std::string* traces = nullptr) {
  ReplayTransport replay;
  std::string problem;
  EXPECT_TRUE(replay.Load(std::string(ERX_SOURCE_DIR) + "/devices/" + device, problem)) << problem;
  EXPECT_THAT(replay.Warnings(), IsEmpty());
  DiscoveryOptions options;
  options.modulePath = ERX_MODULE_PATH;
  Json report;
  ScopedDebugLevel level(debugLevel);
  if (traces) CaptureStdout();
  EXPECT_TRUE(DiscoverCapturedDevice(replay, options, report, problem)) << problem;
  if (traces) *traces = GetCapturedStdout();
  return report;
}

TEST(ExampleDeviceDiscovery, LabelEntries) {
  const Json report = Discover("pe1-erx");
  EXPECT_EQ(report["labelEntries"], Json::parse(R"([
    {"virtualRouter": "default", "lspName": "to-pe2", "inLabel": "17", "outLabel": "20",
     "outIfIndex": 12, "outInterface": "ATM3/0.2", "nextHop": "10.1.3.2",
     "inIfIndexes": [10], "inInterfaces": ["ATM2/0.1"]},
    {"virtualRouter": "default", "lspName": "to-pe2", "inLabel": "18", "outLabel": "21",
     "outIfIndex": 12, "outInterface": "ATM3/0.2", "nextHop": "10.1.3.2",
     "inIfIndexes": [10], "inInterfaces": ["ATM2/0.1"]},
    {"virtualRouter": "default", "lspName": "to-pe3", "inLabel": "22", "outLabel": "23",
     "outIfIndex": 14, "outInterface": "GigabitEthernet6/0.100", "nextHop": "10.1.5.2",
     "inIfIndexes": [11, 13], "inInterfaces": ["ATM2/0.2"]},
    {"virtualRouter": "default", "lspName": "to-pe5", "inLabel": "26", "outLabel": "31",
     "outIfIndex": 20, "outInterface": "mpls:1", "nextHop": "10.9.9.9",
     "inIfIndexes": [11], "inInterfaces": ["ATM2/0.2"]},
    {"virtualRouter": "vr2", "lspName": "vr2-to-pe3", "inLabel": "40", "outLabel": "41",
     "outIfIndex": 50, "outInterface": "ATM7/0.1", "nextHop": "10.12.1.2",
     "inIfIndexes": [51], "inInterfaces": ["ATM7/0.2"]}])"));
}

TEST(ExampleDeviceDiscovery, Vrfs) {
  Json report = Discover("pe1-erx");
  ASSERT_EQ(report["vrfs"].size(), 4u);
  // The wrapped interface name is joined by the host; only its parts are fixed here.
  Json& wrapped = report["vrfs"][0]["impositions"][2]["interface"];
  EXPECT_THAT(wrapped.get<std::string>(), testing::MatchesRegex("GigabitEthernet *6/0\\.100"));
  wrapped = "GigabitEthernet6/0.100";
  EXPECT_EQ(report["vrfs"], Json::parse(R"([
    {"virtualRouter": "default", "name": "red", "routeDistinguisher": "100:1",
     "exportRouteTargets": ["100:1"], "importRouteTargets": ["100:1", "100:2"],
     "ifIndexes": [30, 31],
     "impositions": [
       {"label": "101", "destination": "10.5.0.0/16", "ifIndex": 10, "interface": "ATM2/0.1",
        "nextHop": "2.2.2.2"},
       {"label": "102", "destination": "10.6.0.0/16", "ifIndex": 12, "interface": "ATM3/0.2",
        "nextHop": "3.3.3.3"},
       {"label": "103", "destination": "10.7.0.0/16", "ifIndex": 14,
        "interface": "GigabitEthernet6/0.100", "nextHop": "4.4.4.4"},
       {"label": "104", "destination": "10.8.0.0/16", "ifIndex": 15, "interface": "ATM2/0.12",
        "nextHop": "5.5.5.5"}]},
    {"virtualRouter": "default", "name": "blue", "routeDistinguisher": "100:2",
     "exportRouteTargets": ["100:2"], "importRouteTargets": ["100:2"], "ifIndexes": [32],
     "impositions": []},
    {"virtualRouter": "vr2", "name": "green", "routeDistinguisher": "200:1",
     "exportRouteTargets": ["200:1"], "importRouteTargets": ["200:1"], "ifIndexes": [52],
     "impositions": [
       {"label": "130", "destination": "192.168.30.0/24", "ifIndex": 50, "interface": "ATM7/0.1",
        "nextHop": "10.13.3.3"}]},
    {"virtualRouter": "vr2", "name": "lab", "routeDistinguisher": "",
     "exportRouteTargets": [], "importRouteTargets": [], "ifIndexes": [], "impositions": []}])"));
}

TEST(ExampleDeviceDiscovery, VirtualRoutersInterfacesAndAddresses) {
  const Json report = Discover("pe1-erx");
  EXPECT_EQ(report["virtualRouters"], Json::parse(R"([
    {"name": "default", "vrfs": ["red", "blue"]}, {"name": "vr2", "vrfs": ["green", "lab"]}])"));
  ASSERT_EQ(report["interfaces"].size(), 21u);
  std::map<int, std::string> owners;
  for (const Json& row : report["interfaces"]) {
    owners[row["ifIndex"]] = row.value("virtualRouter", "-") + "/" + row.value("vrf", "-");
  }
  EXPECT_EQ(owners[1], "-/-");
  EXPECT_EQ(owners[13], "default/-");
  EXPECT_EQ(owners[20], "default/-") << "a VRF's walk does not take over its VR's interface";
  EXPECT_EQ(owners[31], "default/red");
  EXPECT_EQ(owners[32], "default/blue");
  EXPECT_EQ(owners[51], "vr2/-");
  EXPECT_EQ(owners[52], "vr2/green");
  ASSERT_EQ(report["ipAddresses"].size(), 10u);
  EXPECT_EQ(report["ipAddresses"][9],
            Json::parse(R"({"virtualRouter": "vr2", "address": "10.12.2.1", "ifIndex": 51})"));
  EXPECT_THAT(report["errors"], IsEmpty());
}

TEST(ExampleDeviceDiscovery, WhatIsSkippedIsSaidAtLevelOne) {
  std::string traces;
  Discover("pe1-erx", 1, &traces);
  EXPECT_EQ(traces,
            "::ObtainLabelData() failed to add label data because ifIndex for 'mpls:2' could not be found\n"
            "::FindVrfIfIndex() failed to find ifIndex because the description consistancy check has failed!\n"
            "::ObtainVRFData() failed to add label data because ifIndex for 'ATM2/0.13' could not be found\n"
            "::ObtainVRFData() failed to add data because label for '172.16.10.1.ip2/0.10' could not be found\n"
            "::ObtainVRFData() failed to add data because label for '172.16.11.1.ip2/0.11' could not be found\n"
            "::GetLabels() failed to match expected telnet response (no vrf data?)!\n"
            "::ObtainVRFData() no label information for blue found!!\n"
            "::ObtainVRFData() failed to add data because label for '172.16.30.1.ip7/0.30' could not be found\n"
            "::GetLabels() failed to match expected telnet response (no vrf data?)!\n"
            "::ObtainVRFData() no label information for lab found!!\n");
}

TEST(ExampleDeviceDiscovery, LaterReleaseForwardingTableLosesOnlyTheLabelEntries) {
  std::string traces;
  const Json report = Discover("pe2-erx-later-release", 1, &traces);
  EXPECT_THAT(traces, HasSubstr("::ObtainLabelData() failed to match expected telnet response "
                                "(no mpls fwding data?)!\n"));
  EXPECT_THAT(report["labelEntries"], IsEmpty());
  EXPECT_EQ(report["vrfs"], Json::parse(R"([
    {"virtualRouter": "default", "name": "red", "routeDistinguisher": "100:1",
     "exportRouteTargets": ["100:1"], "importRouteTargets": ["100:1"], "ifIndexes": [30],
     "impositions": [{"label": "201", "destination": "10.50.0.0/16", "ifIndex": 10,
                      "interface": "ATM2/0.1", "nextHop": "1.1.1.1"}]}])"));
  EXPECT_EQ(report["interfaces"].size(), 3u);
  EXPECT_EQ(report["interfaces"][2]["vrf"], "red");
  EXPECT_THAT(report["errors"], IsEmpty());
}

}  // namespace
