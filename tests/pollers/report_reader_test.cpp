// A report sent from a poller's worker as JSON reads back as the same report.
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/SingleDevice.h"
#include "report/JsonReport.h"
#include "reportreader/JsonReportReader.h"

using namespace testing;

namespace {

std::string Json(const report::Report& found) {
  std::ostringstream text;
  WriteJsonReport(found, text);
  return text.str();
}

report::Report Discovered(const std::string& device) {
  DeviceSource source;
  source.capture = std::string(ERX_SOURCE_DIR) + "/devices/" + device;
  DiscoveryOptions options;
  options.modulePath = ERX_MODULE_PATH;
  report::Report found;
  std::string problem;
  EXPECT_EQ(DiscoverOneDevice(source, options, false, found, problem), DeviceOutcome::kDiscovered) << problem;
  return found;
}

TEST(JsonReportReader, ReadsBackWhatTheWriterWrote) {
  // Both shipped devices: the module's label entries, and the later release's
  // table by incoming label with its sparse fields.
  for (const char* device : {"pe1-erx", "pe2-erx-later-release"}) {
    const report::Report found = Discovered(device);
    ASSERT_FALSE(found.labelEntries.empty());
    report::Report read;
    std::string problem;
    ASSERT_TRUE(ReadJsonReport(Json(found), read, problem)) << problem;
    EXPECT_EQ(Json(read), Json(found)) << device;
    EXPECT_EQ(read.health.cliSource, found.health.cliSource);
  }

  // Absent lists stay absent, present empty ones stay empty, a byte that is
  // not UTF-8 comes back as the writer wrote it (as the character of that number).
  report::Report odd;
  odd.device = "odd\xff";
  odd.agent = "agent";
  odd.vrfs.emplace_back();
  odd.vrfs[0].impositions.emplace();
  odd.virtualRouters.push_back({report::Text("default"), std::nullopt});
  odd.health.problems = {"the CLI did not answer"};
  report::Report read;
  std::string problem;
  ASSERT_TRUE(ReadJsonReport(Json(odd), read, problem)) << problem;
  EXPECT_EQ(read.device, "odd\xC3\xBF");
  EXPECT_TRUE(read.vrfs[0].impositions && read.vrfs[0].impositions->empty());
  EXPECT_FALSE(read.vrfs[0].ifIndexes);
  EXPECT_FALSE(read.virtualRouters[0].vrfs);
  EXPECT_THAT(read.health.problems, ElementsAre("the CLI did not answer"));
}

TEST(JsonReportReader, RefusesWhatIsNotAReportAndKeepsWhatItHad) {
  report::Report kept;
  kept.device = "kept";
  std::string problem;
  EXPECT_FALSE(ReadJsonReport("{\"device\": \"pe1\"", kept, problem));
  EXPECT_THAT(problem, StartsWith("the report is not JSON: "));
  EXPECT_FALSE(ReadJsonReport("[1]", kept, problem));
  EXPECT_FALSE(ReadJsonReport(
      "{\"device\": \"pe1\", \"agent\": \"a\", \"virtualRouters\": [], \"labelEntries\": [{\"outIfIndex\": \"7\"}]}",
      kept, problem));
  EXPECT_EQ(problem, "the report is not one erx-discover writes: \"outIfIndex\" is not a whole number");
  EXPECT_FALSE(ReadJsonReport("{\"device\": \"pe1\", \"agent\": \"a\"}", kept, problem));
  EXPECT_EQ(problem, "the report is not one erx-discover writes: no \"virtualRouters\"");
  EXPECT_EQ(kept.device, "kept");
}

}  // namespace
