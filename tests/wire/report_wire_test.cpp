// A report handed from one process to another reads back exactly, and bytes
// cut short or changed on the way read as a problem, never as a report.
#include <climits>
#include <sstream>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/Discovery.h"
#include "report/JsonReport.h"
#include "transports/ReplayTransport.h"
#include "wire/ReportWire.h"

using namespace testing;

namespace {

// Values the JSON report cannot carry as they are: bytes that are not UTF-8,
// NULs, empty texts beside absent ones, empty lists beside absent ones.
report::Report AwkwardReport() {
  report::Report r;
  r.device = std::string("pe\0\xff", 4);
  r.agent = "";
  r.virtualRouters = {{std::string("vr\x80"), std::vector<std::string>{}},
                      {std::nullopt, std::nullopt}};
  report::LabelEntry module;
  module.inLabel = "";
  module.outIfIndex = INT_MIN;
  module.inIfIndexes = std::vector<int>{-1, INT_MAX};
  report::LabelEntry table;
  table.owner = std::string("l\0dp", 4);
  table.pushLabels = std::vector<std::string>{"16", ""};
  table.layout = "label-table";
  r.labelEntries = {module, table};
  report::Vrf withNone;
  withNone.name = "red";
  withNone.impositions.emplace();
  report::Vrf without;
  without.exportRouteTargets = std::vector<std::string>{"\xc3\x28"};
  r.vrfs = {withNone, without};
  r.interfaces = {{-7, std::nullopt, std::string("vr"), std::string()}};
  r.errors = {{3, "x.c", 0, std::nullopt}};
  r.health.status = report::HealthStatus::kPartial;
  r.health.silentContexts = {"a", ""};
  r.health.problems = {"first\nsecond"};
  return r;
}

report::Report RoundTrip(const report::Report& found) {
  const Result<report::Report> back = wire::DecodeReport(wire::EncodeReport(found));
  EXPECT_TRUE(back.ok()) << back.message();
  return back.value();
}

std::string Json(const report::Report& found) {
  std::ostringstream out;
  WriteJsonReport(found, out);
  return out.str();
}

// Read back, a report encodes to the same bytes (so decoding changed nothing
// the wire carries) and gives the same JSON (so the wire carries every field
// the JSON shows); text that is not UTF-8, which JSON would mend, is checked
// byte for byte.
TEST(ReportWire, EveryByteAndEveryAbsenceReadsBackAsItWas) {
  std::vector<report::Report> reports = {AwkwardReport()};
  for (const char* name : {"pe1-erx", "pe2-erx-later-release"}) {
    ReplayTransport device;
    const Status loaded = device.Load(std::string(ERX_SOURCE_DIR) + "/devices/" + name);
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    DiscoveryOptions options;
    options.modulePath = ERX_MODULE_PATH;
    reports.emplace_back();
    const Status discovered = DiscoverCapturedDevice(device, options, reports.back());
    ASSERT_TRUE(discovered.ok()) << discovered.message();
    ASSERT_FALSE(reports.back().labelEntries.empty());
  }
  for (const report::Report& found : reports) {
    const report::Report back = RoundTrip(found);
    ASSERT_EQ(wire::EncodeReport(back), wire::EncodeReport(found)) << found.device;
    EXPECT_EQ(Json(back), Json(found)) << found.device;
  }
  const report::Report back = RoundTrip(reports[0]);
  EXPECT_EQ(back.device, std::string("pe\0\xff", 4));
  EXPECT_EQ(back.virtualRouters[0].name, std::string("vr\x80"));
  EXPECT_THAT(back.vrfs[1].exportRouteTargets, Optional(ElementsAre("\xc3\x28")));
}

TEST(ReportWire, BytesCutShortOrChangedAnywhereAreAProblem) {
  const std::string bytes = wire::EncodeReport(AwkwardReport());
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    const Result<report::Report> back = wire::DecodeReport(bytes.substr(0, cut));
    EXPECT_FALSE(back.ok()) << cut;
    EXPECT_NE(back.message(), "") << cut;
  }
  for (size_t at = 0; at < bytes.size(); ++at) {
    std::string changed = bytes;
    changed[at] = static_cast<char>(changed[at] ^ 0x21);
    EXPECT_FALSE(wire::DecodeReport(changed).ok()) << at;
  }
  EXPECT_EQ(wire::DecodeReport(bytes + "x").message(), "more follows its end");
  EXPECT_THAT(wire::DecodeReport(bytes.substr(0, bytes.size() / 2)).message(),
              StartsWith("it was cut short"));
  EXPECT_EQ(wire::DecodeReport("counts 5 4 9 0\n").message(),
            "it does not start as a message of this program");
}

TEST(ReportWire, AListLongerThanTheMessageIsRefusedBeforeAnythingIsMadeForIt) {
  wire::Writer out;
  for (const char* text : {"pe1", "agent", "generator"}) out.Text(text);
  out.Count(uint64_t(1) << 60);  // virtual routers
  EXPECT_EQ(wire::DecodeReport(wire::Frame(out.Bytes())).message(),
            "a list is longer than what is left");

  wire::Writer tooLong;
  tooLong.Text("pe1");
  std::string bytes = tooLong.Bytes() + std::string(11, '\xff');  // a number past 64 bits
  EXPECT_EQ(wire::DecodeReport(wire::Frame(bytes)).message(), "a number does not fit in 64 bits");
}

}  // namespace
