// The fleet parent's side of a device: what a worker handed back, whole or
// cut short, kept in the store and the report folder, or neither.
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fleet/DeviceKeeper.h"
#include "fleet/WorkerResult.h"
#include "tests/support/SqliteRows.h"
#include "tests/support/TempFolder.h"

using namespace testing;

namespace {

report::Report SmallReport(const std::string& name) {
  report::Report found;
  found.device = name;
  found.agent = "test agent";
  report::LabelEntry entry;
  entry.inLabel = "16";
  found.labelEntries = {entry};
  found.health.status = report::HealthStatus::kPartial;
  found.health.problems = {"2 commands refused"};
  return found;
}

std::string Discovered(const report::Report& found) {
  WorkerResult result;
  result.discovered = true;
  result.found = found;
  return EncodeWorkerResult(result);
}

WorkerEnd Exited(const std::string& result, int status = 0) {
  WorkerEnd end;
  end.how = WorkerEnd::kExited;
  end.exitStatus = status;
  end.result = result;
  end.seconds = 1.5;
  return end;
}

InventoryDevice Device(const std::string& name) {
  InventoryDevice device;
  device.name = name;
  device.capture = "/captures/" + name;
  device.region = "eu-west";
  return device;
}

class DeviceKeeperTest : public Test {
 protected:
  void SetUp() override {
    options_.outputDir = folder_.Path();
    const Status opened = results_.Open(store_);
    ASSERT_TRUE(opened.ok()) << opened.message();
    const Status begun = results_.BeginRun("fleet.yaml").Into(run_);
    ASSERT_TRUE(begun.ok()) << begun.message();
  }

  DeviceSummary Keep(const std::string& name, const WorkerEnd& end) {
    DeviceKeeper keeper(options_, &results_, run_);
    return keeper.Keep(Device(name), end, messages_);
  }
  bool HasReportFile(const std::string& name) const {
    return std::filesystem::exists(folder_.Path() + "/" + name + ".json");
  }

  TempFolder folder_;
  const std::string store_ = folder_.Path() + "/fleet.db";
  FleetOptions options_;
  store::ResultsStore results_;
  int64_t run_ = 0;
  std::vector<std::string> messages_;
};

TEST_F(DeviceKeeperTest, AWholeReportIsStoredAndWrittenWhateverEndedItsWorkerAfter) {
  const DeviceSummary ok = Keep("pe1", Exited(Discovered(SmallReport("pe1"))));
  EXPECT_EQ(ok.status, DeviceStatus::kPartial);
  EXPECT_EQ(ok.problem, "2 commands refused");
  EXPECT_TRUE(ok.counted);
  EXPECT_EQ(ok.labelEntries, 1u);
  WorkerEnd late = Exited(Discovered(SmallReport("pe2")));
  late.how = WorkerEnd::kTimedOut;  // stopped at its deadline while exiting
  EXPECT_EQ(Keep("pe2", late).status, DeviceStatus::kPartial);

  EXPECT_THAT(SqliteRows(store_,
                         "SELECT d.name, source, region, status, problem, agent, count(l.id)"
                         " FROM devices d JOIN label_entries l ON l.device_id = d.id"
                         " GROUP BY d.id ORDER BY name"),
              ElementsAre("pe1|/captures/pe1|eu-west|partial|2 commands refused|test agent|1",
                          "pe2|/captures/pe2|eu-west|partial|2 commands refused|test agent|1"));
  EXPECT_TRUE(HasReportFile("pe1"));
  EXPECT_TRUE(HasReportFile("pe2"));
  EXPECT_THAT(messages_, IsEmpty());
}

TEST_F(DeviceKeeperTest, AResultCutShortOrGarbledIsAFailedDeviceWithoutReport) {
  const std::string whole = Discovered(SmallReport("pe1"));
  const DeviceSummary cut = Keep("cut", Exited(whole.substr(0, whole.size() - 3)));
  EXPECT_EQ(cut.status, DeviceStatus::kFailed);
  EXPECT_THAT(cut.problem, StartsWith("the worker ended with status 0 and its result cannot be "
                                      "read: it was cut short"));
  EXPECT_FALSE(cut.counted);
  std::string garbled = whole;
  garbled[garbled.size() / 2] ^= 0x40;
  EXPECT_THAT(Keep("garbled", Exited(garbled, 3)).problem,
              EndsWith("with status 3 and its result cannot be read: its checksum does not match: "
                       "bytes were changed on the way"));
  WorkerEnd crashed = Exited(whole.substr(0, 20));
  crashed.how = WorkerEnd::kKilledBySignal;
  crashed.signal = 11;
  EXPECT_EQ(Keep("crashed", crashed).status, DeviceStatus::kCrashed);
  WorkerResult refused;
  refused.problem = "login refused by 10.0.0.7:23";
  EXPECT_EQ(Keep("refused", Exited(EncodeWorkerResult(refused), 3)).problem, refused.problem);

  EXPECT_THAT(
      SqliteRows(store_, "SELECT name, region, status, agent IS NULL FROM devices ORDER BY name"),
      ElementsAre("crashed|eu-west|crashed|1", "cut|eu-west|failed|1", "garbled|eu-west|failed|1",
                  "refused|eu-west|failed|1"));
  EXPECT_THAT(SqliteRows(store_, "SELECT count(*) FROM label_entries"), ElementsAre("0"));
  for (const char* name : {"cut", "garbled", "crashed", "refused"})
    EXPECT_FALSE(HasReportFile(name));
}

TEST_F(DeviceKeeperTest, NoReportFileForADeviceTheStoreRefused) {
  Keep("pe1", Exited(Discovered(SmallReport("pe1"))));
  std::filesystem::remove(folder_.Path() + "/pe1.json");
  const DeviceSummary again = Keep("pe1", Exited(Discovered(SmallReport("pe1"))));
  EXPECT_EQ(again.status, DeviceStatus::kFailed);
  EXPECT_THAT(again.problem, HasSubstr("pe1"));
  EXPECT_FALSE(HasReportFile("pe1"));
  std::vector<std::string> left;  // no temporary of the report either
  for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
    if (entry.path().filename().string().rfind("pe1", 0) == 0) left.push_back(entry.path());
  }
  EXPECT_THAT(left, IsEmpty());
}

}  // namespace
