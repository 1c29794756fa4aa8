// The VPN map: route targets, the VPNs they make and what is wrong with them,
// on the test network and on VRFs built in code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "network/VpnMap.h"
#include "tests/network/NetworkExamples.h"

using Json = nlohmann::json;
using testing::ElementsAre;

namespace {

TEST(VpnMap, RouteTargetsVpnsAndFindingsOfTheTestNetwork) {
  EXPECT_EQ(Vpns(Format("text")),
            "route targets\n"
            "  100:1  exported by p-c/red, pe-a/red, pe-d/red;"
            " imported by p-c/red, pe-a/red, pe-d/red\n"
            "  100:10  exported by pe-a/blue; imported by p-b/blue, pe-d/blue\n"
            "  100:11  exported by p-b/blue, pe-d/blue; imported by pe-a/blue\n"
            "  100:20  exported by pe-d/green; imported by none\n"
            "  100:30  exported by pe-a/green; imported by pe-a/green\n"
            "  100:99  exported by none; imported by pe-d/green\n"
            "vpns\n"
            "  hub-and-spoke: hubs pe-a/blue; spokes p-b/blue, pe-d/blue\n"
            "  full-mesh: p-c/red, pe-a/red, pe-d/red\n"
            "  isolated: pe-a/green, pe-d/green\n"
            "findings\n"
            "  route target 100:99 imported but exported by no VRF: pe-d/green\n"
            "  route target 100:20 exported but imported by no VRF: pe-d/green\n"
            "  VRFs of one name that cannot reach each other: pe-a/green, pe-d/green\n"
            "  route distinguisher 100:1 on more than one VRF: pe-a/green, pe-a/red\n");
}

// A list of VRFs of the JSON as "device:virtualRouter/vrf, ...".
std::string Vrfs(const Json& list) {
  std::string text;
  for (const Json& vrf : list) {
    EXPECT_EQ(vrf.size(), 3u) << vrf;
    text += (text.empty() ? "" : ", ") + vrf["device"].get<std::string>() + ":" +
            vrf["virtualRouter"].get<std::string>() + "/" + vrf["vrf"].get<std::string>();
  }
  return text;
}

// The JSON says what the text says (above): here, its own names and fields.
TEST(VpnMap, JsonOfTheTestNetwork) {
  const Json found = Json::parse(Vpns(Format("json")));
  EXPECT_EQ(found["run"], 2);
  ASSERT_EQ(found["routeTargets"].size(), 6u);
  EXPECT_EQ(found["routeTargets"][1]["routeTarget"], "100:10");
  EXPECT_EQ(Vrfs(found["routeTargets"][1]["exporters"]), "pe-a:default/blue");
  EXPECT_EQ(Vrfs(found["routeTargets"][1]["importers"]), "p-b:default/blue, pe-d:default/blue");
  const Json& hubAndSpoke = found["vpns"][0];
  EXPECT_EQ(hubAndSpoke["kind"], "hub-and-spoke");
  EXPECT_EQ(Vrfs(hubAndSpoke["hubs"]), "pe-a:default/blue");
  std::vector<std::string> findings;
  for (const Json& f : found["findings"]) {
    findings.push_back(f["kind"].get<std::string>() + " " + f["routeTarget"].dump() + " " +
                       f.value("routeDistinguisher", "-") + ": " + Vrfs(f["vrfs"]));
  }
  EXPECT_THAT(findings,
              ElementsAre("dangling-import \"100:99\" -: pe-d:default/green",
                          "unused-export \"100:20\" -: pe-d:default/green",
                          "apart-namesakes null -: pe-a:default/green, pe-d:default/green",
                          "duplicate-rd null 100:1: pe-a:default/green, pe-a:default/red"));
}

std::vector<std::string> Shapes(const network::VpnMap& map) {
  std::vector<std::string> shapes;
  for (const network::Vpn& vpn : map.vpns) {
    std::string line = vpn.kind + ":";
    for (size_t v : vpn.vrfs) line += " " + network::VrfName(map.vrfs[v]);
    if (!vpn.hubs.empty()) line += " hubs";
    for (size_t v : vpn.hubs) line += " " + network::VrfName(map.vrfs[v]);
    shapes.push_back(line);
  }
  return shapes;
}

TEST(VpnMap, TwoHubsOneWayReachAndVirtualRouters) {
  // Two hubs serve three spokes; the hubs do not reach each other.
  const network::VpnMap hubs = network::MapVpns(
      {Router("h1", {Vrf("corp", {"1:1"}, {"1:2"})}), Router("h2", {Vrf("corp", {"1:1"}, {"1:2"})}),
       Router("s1", {Vrf("corp", {"1:2"}, {"1:1"})}), Router("s2", {Vrf("corp", {"1:2"}, {"1:1"})}),
       Router("s3", {Vrf("corp", {"1:2"}, {"1:1"}, "vr9")})});
  EXPECT_THAT(Shapes(hubs),
              ElementsAre("hub-and-spoke: h1/corp h2/corp s1/corp s2/corp s3:vr9/corp hubs "
                          "h1/corp h2/corp"));
  EXPECT_TRUE(hubs.findings.empty());

  // An extranet that only one side imports is neither shape.
  const network::VpnMap oneWay = network::MapVpns(
      {Router("a", {Vrf("x", {"2:1"}, {"2:2"})}), Router("b", {Vrf("y", {"2:2"}, {})})});
  EXPECT_THAT(Shapes(oneWay), ElementsAre("partial: a/x b/y"));
  ASSERT_EQ(oneWay.findings.size(), 1u);
  EXPECT_EQ(network::FindingLine(oneWay, oneWay.findings[0]),
            "route target 2:1 exported but imported by no VRF: a/x");
}

}  // namespace
