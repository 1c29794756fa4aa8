// What changed between two runs: the example device changed in known ways,
// a device that failed, one that appeared; the text and the JSON of it.
#include <filesystem>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "store/ResultsStore.h"
#include "store/RunDiff.h"
#include "tests/store/StoreExamples.h"

using namespace testing;
using Json = nlohmann::json;

namespace {

// A device of `name` that failed for `problem`.
store::DeviceOutcome Failed(const std::string& name, const std::string& status,
                            const std::string& problem) {
  return {name, "devices/" + name, status, problem, 1, ""};
}

struct Diff {
  store::DiffOutcome status = store::DiffOutcome::kFailed;
  std::string out, problem;
};

Diff RunDiff(const std::string& path, const std::string& format = "text",
             std::optional<int64_t> a = std::nullopt, std::optional<int64_t> b = std::nullopt) {
  Diff diff;
  std::ostringstream out;
  const Outcome<store::DiffOutcome> diffed = store::DiffRuns({path, a, b, format}, out);
  diff.status = diffed.code();
  diff.problem = diffed.message();
  diff.out = out.str();
  return diff;
}

// Two runs of the shipped devices: in the second pe1-erx has a new VRF,
// red no longer imports 100:2, label 17 goes out with label 30 on ATM2/0.1,
// red's imposition for 10.6.0.0/16 is gone; pe2 timed out; pe3 is new.
class ChangedFleet : public Test {
 protected:
  void SetUp() override {
    const report::Report pe1 = ShippedReport("pe1-erx");
    const report::Report pe2 = ShippedReport("pe2-erx-later-release");
    StoreRun(db_, {pe1, pe2});

    report::Report changed = pe1;
    report::Vrf purple;
    purple.virtualRouter = "default";
    purple.name = "purple";
    purple.routeDistinguisher = "100:9";
    purple.importRouteTargets = purple.exportRouteTargets = std::vector<std::string>{"100:9"};
    purple.ifIndexes = std::vector<int>{15};
    changed.vrfs.push_back(purple);
    for (report::Vrf& vrf : changed.vrfs) {
      if (vrf.name != "red") continue;
      vrf.importRouteTargets = std::vector<std::string>{"100:1"};
      auto& impositions = *vrf.impositions;
      impositions.erase(std::remove_if(impositions.begin(), impositions.end(),
                                       [](const report::Imposition& i) {
                                         return i.destination == "10.6.0.0/16";
                                       }),
                        impositions.end());
    }
    for (report::LabelEntry& entry : changed.labelEntries) {
      if (entry.inLabel != "17") continue;
      entry.outLabel = "30";
      entry.outInterface = "ATM2/0.1";
      entry.outIfIndex = 10;
    }
    report::Report pe3 = pe2;
    pe3.device = "pe3";
    StoreRun(db_, {changed, pe3}, {Failed("pe2-erx", "timeout", "no reply within 300 s")}, false);
  }

  TempFolder folder_;
  const std::string db_ = folder_.File("fleet.db");
};

// The second run was cut off: named, it compares all the same.
TEST_F(ChangedFleet, TextNamesEachChangeOnItsLine) {
  const Diff diff = RunDiff(db_, "text", 1, 2);
  EXPECT_EQ(diff.status, store::DiffOutcome::kSomethingChanged) << diff.problem;
  std::istringstream lines(diff.out);
  std::string header;
  std::getline(lines, header);
  EXPECT_THAT(
      header,
      MatchesRegex("run 1 \\(started [-0-9]+ [:0-9]+\\) -> run 2 \\(started .*, not finished\\)"));
  EXPECT_EQ(diff.out.substr(header.size() + 1),
            "~ pe1-erx: 4 changes\n"
            "  + vrf default/purple: route distinguisher 100:9, import 100:9, export 100:9, "
            "interfaces ip2/0.12,"
            " impositions 0\n"
            "  - route target default/red import 100:2\n"
            "  ~ label entry default/17: out label 20 -> 30, out interface ATM3/0.2 -> ATM2/0.1,"
            " out ifIndex 12 -> 10\n"
            "  - imposition default/red 10.6.0.0/16 via 3.3.3.3: label 102, interface ATM3/0.2, "
            "ifIndex 12\n"
            "~ pe2-erx: failed in run 2 (timeout): no reply within 300 s\n"
            "+ pe3: appeared\n");

  // Backwards, the same changes the other way round.
  const Diff back = RunDiff(db_, "text", 2, 1);
  EXPECT_EQ(back.status, store::DiffOutcome::kSomethingChanged);
  EXPECT_THAT(back.out, HasSubstr("  - vrf default/purple: route distinguisher 100:9,"));
  EXPECT_THAT(back.out, HasSubstr("  + route target default/red import 100:2\n"));
  EXPECT_THAT(back.out, HasSubstr("- pe3: disappeared\n"));
}

TEST_F(ChangedFleet, JsonHasTheRunsAndEveryChangeWithItsKey) {
  const Diff diff = RunDiff(db_, "json", 1, 2);
  EXPECT_EQ(diff.status, store::DiffOutcome::kSomethingChanged) << diff.problem;
  const Json json = Json::parse(diff.out);
  EXPECT_EQ(json["runA"]["id"], 1);
  EXPECT_EQ(json["runA"]["inventory"], "fleet.yaml");
  EXPECT_TRUE(json["runA"]["finishedAt"].is_string());
  EXPECT_TRUE(json["runB"]["finishedAt"].is_null());

  const Json& devices = json["devices"];
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[1], Json::parse(R"({"device": "pe2-erx", "change": "failed", "run": 2,
                                        "status": "timeout", "problem": "no reply within 300 s"})"));
  EXPECT_EQ(devices[2], Json::parse(R"({"device": "pe3", "change": "appeared"})"));
  EXPECT_EQ(devices[0]["device"], "pe1-erx");
  EXPECT_EQ(devices[0]["change"], "changed");
  const Json& changes = devices[0]["changes"];
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[0]["kind"], "vrf");
  EXPECT_EQ(changes[0]["after"]["impositions"], 0);
  EXPECT_FALSE(changes[0].contains("before"));
  EXPECT_EQ(changes[1],
            Json::parse(R"({"kind": "routeTarget", "change": "removed", "key": {"virtualRouter":
      "default", "vrf": "red", "direction": "import", "routeTarget": "100:2"}})"));
  EXPECT_EQ(changes[2], Json::parse(R"({"kind": "labelEntry", "change": "changed",
      "key": {"virtualRouter": "default", "inLabel": "17"},
      "before": {"outLabel": "20", "outInterface": "ATM3/0.2", "outIfIndex": 12},
      "after": {"outLabel": "30", "outInterface": "ATM2/0.1", "outIfIndex": 10}})"));
  EXPECT_EQ(changes[3]["key"], Json::parse(R"({"virtualRouter": "default", "vrf": "red",
      "destination": "10.6.0.0/16", "nextHop": "3.3.3.3"})"));
  EXPECT_EQ(changes[3]["before"]["label"], "102");
}

TEST(RunDiff, SameDevicesTwiceIsNoChange) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  const report::Report pe1 = ShippedReport("pe1-erx");
  // Down both times for the same reason: no news.
  const store::DeviceOutcome down = Failed(
      "pe2-erx", "failed", "10.0.0.2:23 refused the login of user admin (closed the connection)");
  StoreRun(db, {pe1}, {down});
  StoreRun(db, {pe1}, {down});
  StoreRun(db, {}, {}, false);  // still going, or cut off: not one of the last two by default
  const Diff diff = RunDiff(db);
  EXPECT_EQ(diff.status, store::DiffOutcome::kNothingChanged) << diff.problem;
  EXPECT_THAT(diff.out, EndsWith(")\nno changes\n"));
  EXPECT_EQ(Json::parse(RunDiff(db, "json").out)["devices"], Json::array());
}

TEST(RunDiff, RepeatedKeysPairTheSameFirstAndSortByTheirNumbers) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  report::Report before;
  before.device = "pe1";
  const auto entry = [](const char* in, const char* out) {
    report::LabelEntry e;
    e.virtualRouter = "default";
    e.inLabel = in;
    e.outLabel = out;
    return e;
  };
  before.labelEntries = {entry("100", "1"), entry("9", "3"), entry("9", "2")};
  report::Report after = before;
  after.labelEntries = {entry("9", "2"), entry("100", "1"), entry("17", "4")};
  StoreRun(db, {before});
  StoreRun(db, {after});
  EXPECT_THAT(RunDiff(db).out,
              EndsWith("~ pe1: 2 changes\n"
                       "  - label entry default/9: out label 3, out interface none,"
                       " out ifIndex none, next hop none, LSP none, in interfaces none\n"
                       "  + label entry default/17: out label 4, out interface none,"
                       " out ifIndex none, next hop none, LSP none, in interfaces none\n"));
}

TEST(RunDiff, AnActionOrAPushedLabelThatChangedIsAChange) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  const auto entry = [](const char* action, std::vector<std::string> pushed) {
    report::LabelEntry e;
    e.virtualRouter = "default";
    e.inInterface = "FastEthernet2/0.1";
    e.owner = "ldp";
    e.action = action;
    e.outLabel = "55";
    e.pushLabels = std::move(pushed);
    e.labelSpace = "Interface label space";
    e.layout = "label-table";
    return e;
  };
  report::Report before;
  before.device = "pe2";
  before.labelEntries = {entry("swap", {"42"})};
  report::Report after = before;
  after.labelEntries = {entry("swap", {"42", "16"})};
  report::Report last = before;
  last.labelEntries = {entry("other", {"42", "16"})};
  last.labelEntries[0].actionText = "swap to 55, push 42 16 via ATM5/0.1";
  StoreRun(db, {before});
  StoreRun(db, {after});
  StoreRun(db, {last});
  EXPECT_THAT(RunDiff(db, "text", 1, 2).out,
              EndsWith("~ pe2: 1 change\n"
                       "  ~ label entry default/FastEthernet2/0.1 in Interface label space:"
                       " pushed labels 42 -> 42, 16\n"));
  EXPECT_THAT(
      RunDiff(db, "text", 2, 3).out,
      EndsWith("  ~ label entry default/FastEthernet2/0.1 in Interface label space:"
               " action swap -> other, action text none -> swap to 55, push 42 16 via ATM5/0.1\n"));
  EXPECT_EQ(Json::parse(RunDiff(db, "json", 1, 2).out)["devices"][0]["changes"][0], Json::parse(R"(
      {"kind": "labelEntry", "change": "changed",
       "key": {"virtualRouter": "default", "inInterface": "FastEthernet2/0.1",
               "labelSpace": "Interface label space"},
       "before": {"pushLabels": "42"}, "after": {"pushLabels": "42, 16"}})"));
}

TEST(RunDiff, SaysWhyItCannotCompare) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  Diff diff = RunDiff(db);
  EXPECT_EQ(diff.status, store::DiffOutcome::kFailed);
  EXPECT_EQ(diff.problem, db + ": there is no results store here (a fleet run with --store " + db +
                              " makes one)");
  EXPECT_FALSE(std::filesystem::exists(db));

  StoreRun(db, {ShippedReport("pe2-erx-later-release")});
  diff = RunDiff(db);
  EXPECT_EQ(diff.status, store::DiffOutcome::kFailed);
  EXPECT_EQ(diff.problem, db + " holds 1 finished run; a diff needs two");
  EXPECT_EQ(diff.out, "");

  StoreRun(db, {});
  EXPECT_EQ(RunDiff(db, "text", 1, 2).status, store::DiffOutcome::kSomethingChanged);
  diff = RunDiff(db, "text", 1, 7);
  EXPECT_EQ(diff.status, store::DiffOutcome::kFailed);
  EXPECT_EQ(diff.problem, db + " has no run 7");
}

}  // namespace
