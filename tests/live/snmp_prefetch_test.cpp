// Walks fetched ahead, several columns per request and several contexts at
// once: what a walk returns, and what discovery reports and saves, stays what
// plain walks one column at a time give.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "captures/SnmpWalkFile.h"
#include "tests/live/LiveReports.h"
#include "transports/SnmpWalker.h"

namespace {

using namespace testing;
namespace fs = std::filesystem;

const std::string kIfDescr = ".1.3.6.1.2.1.2.2.1.2";
const std::string kIfType = ".1.3.6.1.2.1.2.2.1.3";
const std::string kIfAdminStatus = ".1.3.6.1.2.1.2.2.1.7";
const std::string kIpAdEntIfIndex = ".1.3.6.1.2.1.4.20.1.2";
const std::string kAbsent = ".1.3.6.1.2.1.99.1.1";

SnmpSettings SettingsFor(const SimulatedRouter& router) {
  SnmpSettings settings;
  settings.port = std::stoi(router.SnmpPort());
  settings.community = Secrets().at("ERX_COMMUNITY");
  settings.limits.timeoutMs = 500;
  settings.limits.retries = 0;
  return settings;
}

// A walk's outcome as text: "silent", or "instance=value ..." per row.
std::string Outcome(const std::optional<std::vector<SnmpRow>>& rows) {
  if (!rows) return "silent";
  std::string text;
  for (const SnmpRow& row : *rows) {
    for (unsigned part : row.instance) text += "." + std::to_string(part);
    text +=
        "=" + (row.type == SnmpRow::Type::kInteger ? std::to_string(row.intValue) : row.text) + " ";
  }
  return text;
}

struct Ask {
  std::string context, column;
};

// The host's order in the example router: a column may be asked twice, a
// context may not exist, a column may be absent.
const std::vector<Ask> kAsks = {
    {"@default", kIpAdEntIfIndex},
    {"@default", kIfAdminStatus},
    {"@default:red", kIfAdminStatus},
    {"@default:blue", kIfAdminStatus},
    {"@vr2", kIfAdminStatus},
    {"@vr2:lab", kIfDescr},
    {"@default:red", kIfDescr},
    {"@default:red", kIfType},
    {"@default:blue", kIfDescr},
    {"@default:blue", kAbsent},
    {"@nowhere:none", kIfDescr},
    {"@default:red", kIfDescr},
    {"", kIfDescr},
    {"@vr2:lab", kIfType},
};

std::vector<std::string> WalkAll(SnmpWalker& walker) {
  std::vector<std::string> outcomes;
  outcomes.reserve(kAsks.size());
  for (const Ask& ask : kAsks)
    outcomes.push_back(ask.context + " " + ask.column + " " +
                       Outcome(walker.Walk(ask.context, ask.column)));
  return outcomes;
}

// The example router with a virtual router whose interface table is larger
// than a prefetch goes.
std::string DeviceWithALargeTable(const TempFolder& folder) {
  std::string device = folder.Path() + "/pe1-erx";
  fs::copy(kExample, device, fs::copy_options::recursive);
  std::ofstream walk(device + "/snmp/vr2:lab.walk");
  for (const std::string& column : {kIfDescr, kIfType}) {
    for (int index = 1; index <= 1234; ++index) {
      walk << column << "." << index << " = "
           << (column == kIfDescr ? "STRING: \"ip3/" + std::to_string(index) + "\"" : "INTEGER: 6")
           << "\n";
    }
  }
  return device;
}

TEST(SnmpPrefetch, WalksGiveTheSameRowsWhateverWasFetchedAhead) {
  TempFolder folder;
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(DeviceWithALargeTable(folder), {"--user", "admin"}, Secrets()));
  SnmpSettings settings = SettingsFor(router);
  settings.contextCommunities["default:blue"] = "served-by-nobody";

  SnmpWalker plain(settings);
  const std::vector<std::string> expected = WalkAll(plain);
  EXPECT_THAT(expected, Contains(HasSubstr("@default:blue " + kIfAdminStatus + " silent")));
  EXPECT_THAT(expected, Contains(HasSubstr("@default:red " + kIfDescr + " .20=mpls:1 ")));
  EXPECT_THAT(expected, Contains(HasSubstr(".1234=ip3/1234 ")));
  EXPECT_THAT(expected, Contains("@nowhere:none " + kIfDescr + " silent"));

  SnmpWalker everything(settings);
  for (const Ask& ask : kAsks)
    everything.Prefetch(ask.context, {kIfDescr, kIfType, kIfAdminStatus, kAbsent});
  EXPECT_EQ(WalkAll(everything), expected);

  SnmpWalker some(settings);  // and one that guessed a context that never comes
  some.Prefetch("@vr2:lab", {kIfType});
  some.Prefetch("@default:red", {kIfType, kIpAdEntIfIndex});
  some.Prefetch("@vr9:guess", {kIfDescr});
  EXPECT_EQ(WalkAll(some), expected);
  EXPECT_LT(everything.Requests(), plain.Requests());

  // A small context gives all its columns in one request.
  SnmpWalker ahead(settings);
  ahead.Prefetch("@default:red", {kIfDescr, kIfType, kIfAdminStatus});
  for (const std::string& column : {kIfDescr, kIfType, kIfAdminStatus}) {
    const std::string outcome = Outcome(ahead.Walk("@default:red", column));
    EXPECT_THAT(expected, Contains("@default:red " + column + " " + outcome));
  }
  EXPECT_EQ(ahead.Requests(), 1);

  // A context silent to its prefetch is not asked again, and spoils no other.
  SnmpWalker silent(settings);
  silent.Prefetch("@default:blue", {kIfDescr, kIfType});
  silent.Prefetch("@default:red", {kIfDescr});
  EXPECT_EQ(silent.Walk("@default:blue", kIfType), std::nullopt);
  const int requests = silent.Requests();
  EXPECT_EQ(silent.Walk("@default:blue", kIfDescr), std::nullopt);
  EXPECT_EQ(silent.Walk("@default:blue", kIfAdminStatus), std::nullopt);
  silent.Prefetch("@default:blue", {kIfAdminStatus});
  EXPECT_EQ(silent.Requests(), requests);
  const std::string red = Outcome(silent.Walk("@default:red", kIfDescr));
  EXPECT_THAT(expected, Contains("@default:red " + kIfDescr + " " + red));
}

// The walked rows of a capture as text, by walk file and column; with `only`,
// just those of the same files and columns.
using Walks = std::map<std::string, std::string>;
Walks WalksOf(const std::string& capture, const Walks& only = {}) {
  Walks walks;
  for (const auto& file : fs::recursive_directory_iterator(capture)) {
    if (file.path().extension() != ".walk") continue;
    const std::string name = fs::relative(file.path(), capture).string();
    std::ifstream in(file.path());
    std::vector<std::string> warnings;
    const WalkColumns columns =
        ParseSnmpWalk(std::string(std::istreambuf_iterator<char>(in), {}), name, warnings);
    for (const auto& column : columns) {
      const std::string key = name + " " + column.first;
      if (!only.empty() && !only.count(key)) continue;
      std::string& text = walks[key];
      for (const WalkRow& row : column.second) {
        for (unsigned part : row.instance) text += "." + std::to_string(part);
        text += "=" + (row.isInt ? std::to_string(row.intValue) : row.text) + " ";
      }
    }
  }
  return walks;
}

// A generated device of many VRFs, each a context of its own, discovered over
// three CLI sessions: the report and every saved column are the capture's.
TEST(LivePrefetch, ReportAndSavedWalksAreThoseOfTheCapture) {
  TempFolder folder;
  const std::string device = folder.Path() + "/generated";
  const std::string script =
      std::string(ERX_SOURCE_DIR) + "/benchmarks/end_to_end/generate_device.py";
  ASSERT_EQ(std::system(("python3 '" + script + "' '" + device +
                         "' --destinations 200 --vrfs 30 --routes 4 >/dev/null")
                            .c_str()),
            0);
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(device, {"--user", "admin"}, Secrets()));
  const std::string capture = folder.Path() + "/saved";
  const DiscoverRun live = RunDiscover(
      LiveArguments(router, {"--save-capture", capture, "--cli-sessions", "3"}), Secrets());
  ASSERT_EQ(live.status, 0) << live.err;
  EXPECT_EQ(ReportOf(live), CaptureReport(device));
  EXPECT_EQ(CaptureReport(capture), CaptureReport(device));

  // Every column saved holds all of the device's rows of that column, in order.
  const Walks saved = WalksOf(capture);
  EXPECT_FALSE(saved.empty());
  EXPECT_EQ(saved, WalksOf(device, saved));
}

}  // namespace
