// Label entries followed router to router: on the test network from a store,
// and on graphs built in code for what the network does not show.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "network/LabelGraph.h"
#include "network/LabelPaths.h"
#include "tests/network/NetworkExamples.h"

using network::LabelGraph;
using network::Path;
using Json = nlohmann::json;

namespace {

network::NetworkOptions Format(const std::string& format, const std::string& device = "") {
  network::NetworkOptions options;
  options.format = format;
  options.device = device;
  return options;
}

TEST(LabelPaths, EveryPathOfTheTestNetworkBrokenAndLoopingFirst) {
  EXPECT_EQ(Paths(Format("text")),
            "to-nowhere: pe-a 101 -> p-b 201 (broken: no entry)\n"
            "ring: p-b 260 -> p-c 360 -> p-b 260 (loop)\n"
            "to-loop: pe-a 102 -> p-b 250 -> p-c 350 -> p-b 250 (loop)\n"
            "to-outside: pe-d 400 -> 192.0.2.9 (leaves)\n"
            "to-p-c: p-b 210 -> p-c (egress)\n"
            "to-pe-d: pe-a 100 -> p-b 200 -> p-c 300 -> pe-d (egress)\n"
            "6 paths: 1 broken, 2 loop, 1 leaves, 2 egress\n");
}

// A path of the JSON as one line: every field of every hop, then the end.
std::string OneLine(const Json& path) {
  std::string line = path["lsp"].is_null() ? "-" : path["lsp"].get<std::string>();
  for (const Json& hop : path["hops"]) {
    std::vector<std::string> keys;
    for (auto& [key, value] : hop.items()) keys.push_back(key);
    EXPECT_THAT(keys, testing::UnorderedElementsAre("device", "virtualRouter", "inLabel",
                                                    "outLabel", "outInterface", "nextHop"));
    line += " | " + hop["device"].get<std::string>() + "/" +
            hop["virtualRouter"].get<std::string>() + " " + hop["inLabel"].get<std::string>() +
            ">" + hop["outLabel"].get<std::string>() + " " +
            hop["outInterface"].get<std::string>() + " " + hop["nextHop"].get<std::string>();
  }
  return line + " => " + path["end"].get<std::string>() + " " +
         (path["endDevice"].is_null() ? "null" : path["endDevice"].get<std::string>()) + " " +
         (path["endAddress"].is_null() ? "null" : path["endAddress"].get<std::string>());
}

TEST(LabelPaths, JsonGivesEveryHopWithItsEnd) {
  const Json found = Json::parse(Paths(Format("json")));
  EXPECT_EQ(found["run"], 2);
  std::vector<std::string> lines;
  for (const Json& path : found["paths"]) lines.push_back(OneLine(path));
  EXPECT_THAT(
      lines,
      testing::ElementsAre(
          "to-nowhere | pe-a/default 101>201 ATM2/0.1 10.0.1.2 => broken p-b 10.0.1.2",
          "ring | p-b/default 260>360 ATM2/0.2 10.0.2.2 | p-c/default 360>260 ATM2/0.1 10.0.2.1"
          " => loop p-b 10.0.2.1",
          "to-loop | pe-a/default 102>250 ATM2/0.1 10.0.1.2 | p-b/default 250>350 ATM2/0.2 "
          "10.0.2.2 | p-c/default 350>250 ATM2/0.1 10.0.2.1 => loop p-b 10.0.2.1",
          "to-outside | pe-d/default 400>500 ATM2/0.2 192.0.2.9 => leaves null 192.0.2.9",
          "to-p-c | p-b/default 210>0 ATM2/0.2 10.0.2.2 => egress p-c 10.0.2.2",
          "to-pe-d | pe-a/default 100>200 ATM2/0.1 10.0.1.2 | p-b/default 200>300 ATM2/0.2 "
          "10.0.2.2 | p-c/default 300>3 ATM2/0.2 10.0.3.2 => egress pe-d 10.0.3.2"));
}

TEST(LabelPaths, ThroughOneDeviceOrOfAnEarlierRun) {
  EXPECT_EQ(Paths(Format("text", "pe-d")),
            "to-outside: pe-d 400 -> 192.0.2.9 (leaves)\n"
            "to-pe-d: pe-a 100 -> p-b 200 -> p-c 300 -> pe-d (egress)\n"
            "2 paths: 0 broken, 0 loop, 1 leaves, 1 egress\n");

  // Run 1 had no pe-d: the path to it leaves the network at p-c.
  network::NetworkOptions first = Format("text", "p-c");
  first.run = 1;
  EXPECT_EQ(Paths(first),
            "ring: p-b 260 -> p-c 360 -> p-b 260 (loop)\n"
            "to-loop: pe-a 102 -> p-b 250 -> p-c 350 -> p-b 250 (loop)\n"
            "to-pe-d: pe-a 100 -> p-b 200 -> p-c 300 -> 10.0.3.2 (leaves)\n"
            "to-p-c: p-b 210 -> p-c (egress)\n"
            "4 paths: 0 broken, 2 loop, 1 leaves, 1 egress\n");

  EXPECT_EQ(Paths(Format("text", "pe-z")), "failed: run 2 has no discovered device pe-z");
  first.run = 7;
  EXPECT_THAT(Paths(first), testing::EndsWith("has no run 7"));
}

report::LabelEntry TableEntry(const char* inLabel, const char* action, const char* outLabel,
                              std::vector<std::string> pushLabels, const char* nextHop) {
  report::LabelEntry entry;
  entry.virtualRouter = "default";
  if (inLabel) entry.inLabel = inLabel;
  entry.action = action;
  if (outLabel) entry.outLabel = outLabel;
  entry.pushLabels = std::move(pushLabels);
  if (nextHop) entry.nextHop = nextHop;
  entry.layout = "label-table";
  return entry;
}

TEST(LabelPaths, TheLabelTableOfLaterReleasesJoinsTheGraph) {
  std::vector<report::Report> routers(2);
  routers[0].device = "pe-x";
  routers[0].ipAddresses.push_back({"default", "10.0.0.1", 1});
  routers[1].device = "pe-y";
  routers[1].ipAddresses.push_back({"default", "10.0.0.2", 1});
  // Swapped to the VC label 55 under the tunnel label 42: pe-y reads 42.
  routers[0].labelEntries.push_back(TableEntry("17", "swap", "55", {"42"}, "10.0.0.2"));
  report::LabelEntry attachment = TableEntry(nullptr, "swap", "55", {"43"}, "10.0.0.2");
  attachment.inInterface = "FastEthernet2/0.1";
  routers[0].labelEntries.push_back(attachment);
  routers[0].labelEntries.push_back(TableEntry("18", "swap", "19", {}, "10.0.0.2"));
  routers[1].labelEntries.push_back(TableEntry("42", "pop", nullptr, {}, "10.9.9.9"));
  routers[1].labelEntries.push_back(TableEntry("43", "l2transport", nullptr, {}, nullptr));
  routers[1].labelEntries.push_back(TableEntry("19", "lookup", nullptr, {}, nullptr));
  // pe-y has 44 only in an interface's own label space: the tunnel label 44
  // that pe-x pushes finds no entry, and the line names 44, not the VC label.
  routers[0].labelEntries.push_back(TableEntry("20", "swap", "56", {"44"}, "10.0.0.2"));
  report::LabelEntry atmSpace = TableEntry("44", "pop", nullptr, {}, nullptr);
  atmSpace.labelSpace = "ATM5/0 label space";
  routers[1].labelEntries.push_back(atmSpace);

  const network::LabelPaths found = network::FollowLabelPaths(routers);
  std::vector<std::string> lines;
  for (const Path& path : found.paths) lines.push_back(network::PathLine(routers, found, path));
  EXPECT_THAT(lines, testing::ElementsAre(
                         "pe-x 20 -> pe-y 44 (broken: no entry)", "pe-x 17 -> pe-y 42 (egress)",
                         "pe-x 18 -> pe-y 19 (egress)",
                         "pe-x FastEthernet2/0.1 -> pe-y 43 (egress)", "pe-y 44 (egress)"));
}

// Paths of a graph built in code, one line each: the entries by id, the end,
// the router it ends at.
std::vector<std::string> Lines(const LabelGraph& graph) {
  std::vector<std::string> lines;
  for (const Path& path : graph.Stitch()) {
    std::string line;
    for (uint32_t hop : path.hops) line += std::to_string(hop) + " ";
    line += network::PathEndName(path.end);
    if (path.endRouter != network::kNone) line += " @" + std::to_string(path.endRouter);
    lines.push_back(line);
  }
  return lines;
}

TEST(LabelGraph, EntriesThatEndAtTheirRouterAndPathsThatMerge) {
  LabelGraph graph;
  const uint32_t a = graph.AddRouter(), b = graph.AddRouter();
  graph.AddAddress(b, "default", "10.0.0.2");
  graph.AddEntry({a, "default", 10, 20, "10.0.0.2"});          // 0: a -> b 20 (lookup)
  graph.AddEntry({a, "default", 11, 20, "10.0.0.2"});          // 1: merges into the same entry
  graph.AddEntry({b, "default", 20, std::nullopt, "", true});  // 2: lookup on b
  graph.AddEntry({b, "default", 21, 5, ""});                   // 3: no next hop
  graph.AddEntry(
      {b, "default", std::nullopt, 22, "10.0.0.2"});  // 4: keyed by interface, no in label
  EXPECT_THAT(Lines(graph),
              testing::ElementsAre("4 broken @1", "3 leaves", "0 2 egress @1", "1 2 egress @1"));
}

TEST(LabelGraph, TheVirtualRouterThatOwnsTheAddressTakesTheLabel) {
  LabelGraph graph;
  const uint32_t a = graph.AddRouter(), b = graph.AddRouter();
  graph.AddAddress(b, "vr2", "10.0.0.2");
  graph.AddEntry({b, "default", 30, 3, "10.9.9.9"});  // 0: label 30, but in default
  graph.AddEntry({b, "vr2", 31, 3, "10.0.0.9"});      // 1
  graph.AddEntry({a, "default", 1, 30, "10.0.0.2"});  // 2: vr2 has no 30
  graph.AddEntry({a, "default", 2, 31, "10.0.0.2"});  // 3: vr2's 31
  EXPECT_THAT(Lines(graph), testing::ElementsAre("2 broken @1", "3 1 leaves", "0 leaves"));
}

TEST(LabelGraph, ALoopNobodyEntersIsOnePathAndAnEnteredOneEndsWhereItCloses) {
  LabelGraph graph;
  const uint32_t a = graph.AddRouter(), b = graph.AddRouter(), c = graph.AddRouter();
  graph.AddAddress(a, "default", "1.1.1.1");
  graph.AddAddress(b, "default", "2.2.2.2");
  graph.AddAddress(c, "default", "3.3.3.3");
  graph.AddEntry({a, "default", 10, 20, "2.2.2.2"});  // 0 -> 1
  graph.AddEntry({b, "default", 20, 30, "3.3.3.3"});  // 1 -> 2
  graph.AddEntry({c, "default", 30, 20, "2.2.2.2"});  // 2 -> 1: closes at b
  graph.AddEntry({b, "default", 40, 50, "3.3.3.3"});  // 3 -> 4
  graph.AddEntry({c, "default", 50, 60, "1.1.1.1"});  // 4 -> 5
  graph.AddEntry({a, "default", 60, 40, "2.2.2.2"});  // 5 -> 3: nobody enters
  graph.AddEntry({c, "default", 70, 70, "3.3.3.3"});  // 6: to itself
  EXPECT_THAT(Lines(graph), testing::ElementsAre("0 1 2 loop @1", "3 4 5 loop @1", "6 loop @2"));
}

TEST(LabelGraph, LabelsAreNumbersOrNothing) {
  EXPECT_EQ(network::ParseLabel(std::string("1048575")), 1048575u);
  EXPECT_EQ(network::ParseLabel(std::string("3")), 3u);
  EXPECT_EQ(network::ParseLabel(std::string("imp-null")), std::nullopt);
  EXPECT_EQ(network::ParseLabel(std::string("")), std::nullopt);
  EXPECT_EQ(network::ParseLabel(std::string("12345678901")), std::nullopt);
  EXPECT_EQ(network::ParseLabel(std::nullopt), std::nullopt);
}

}  // namespace
