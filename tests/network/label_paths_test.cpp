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

// The JSON says what the text says (above): here, every field of a path that
// leaves the network and of one of three hops that reaches its egress.
TEST(LabelPaths, JsonGivesEveryHopWithItsEnd) {
  const Json found = Json::parse(Paths(Format("json")));
  EXPECT_EQ(found["run"], 2);
  ASSERT_EQ(found["paths"].size(), 6u);
  EXPECT_EQ(found["paths"][3], Json::parse(R"({"lsp": "to-outside", "hops": [
      {"device": "pe-d", "virtualRouter": "default", "inLabel": "400", "outLabel": "500",
       "outInterface": "ATM2/0.2", "nextHop": "192.0.2.9"}],
    "end": "leaves", "endDevice": null, "endAddress": "192.0.2.9"})"));
  EXPECT_EQ(found["paths"][5], Json::parse(R"({"lsp": "to-pe-d", "hops": [
      {"device": "pe-a", "virtualRouter": "default", "inLabel": "100", "outLabel": "200",
       "outInterface": "ATM2/0.1", "nextHop": "10.0.1.2"},
      {"device": "p-b", "virtualRouter": "default", "inLabel": "200", "outLabel": "300",
       "outInterface": "ATM2/0.2", "nextHop": "10.0.2.2"},
      {"device": "p-c", "virtualRouter": "default", "inLabel": "300", "outLabel": "3",
       "outInterface": "ATM2/0.2", "nextHop": "10.0.3.2"}],
    "end": "egress", "endDevice": "pe-d", "endAddress": "10.0.3.2"})"));
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
  std::vector<report::Report> routers = {Router("pe-x", {}, "10.0.0.1"),
                                         Router("pe-y", {}, "10.0.0.2")};
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
