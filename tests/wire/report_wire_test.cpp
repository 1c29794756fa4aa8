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

TEST(ReportWire, EveryByteAndEveryAbsenceReadsBackAsItWas) {
  const report::Report back = RoundTrip(AwkwardReport());
  EXPECT_EQ(back.device, std::string("pe\0\xff", 4));
  ASSERT_EQ(back.virtualRouters.size(), 2u);
  EXPECT_EQ(back.virtualRouters[0].name, std::string("vr\x80"));
  EXPECT_THAT(back.virtualRouters[0].vrfs, Optional(IsEmpty()));
  EXPECT_EQ(back.virtualRouters[1].name, std::nullopt);
  EXPECT_EQ(back.virtualRouters[1].vrfs, std::nullopt);
  ASSERT_EQ(back.labelEntries.size(), 2u);
  EXPECT_EQ(back.labelEntries[0].inLabel, std::string());
  EXPECT_EQ(back.labelEntries[0].outLabel, std::nullopt);
  EXPECT_EQ(back.labelEntries[0].outIfIndex, INT_MIN);
  EXPECT_THAT(back.labelEntries[0].inIfIndexes, Optional(ElementsAre(-1, INT_MAX)));
  EXPECT_FALSE(back.labelEntries[0].owner.has_value());
  EXPECT_EQ(back.labelEntries[1].owner, std::string("l\0dp", 4));
  EXPECT_THAT(back.labelEntries[1].pushLabels, Optional(ElementsAre("16", "")));
  EXPECT_EQ(back.labelEntries[1].layout, "label-table");
  ASSERT_EQ(back.vrfs.size(), 2u);
  EXPECT_THAT(back.vrfs[0].impositions, Optional(IsEmpty()));
  EXPECT_EQ(back.vrfs[1].impositions, std::nullopt);
  EXPECT_THAT(back.vrfs[1].exportRouteTargets, Optional(ElementsAre("\xc3\x28")));
  EXPECT_EQ(back.interfaces[0].ifIndex, -7);
  EXPECT_EQ(back.interfaces[0].vrf, std::string());
  EXPECT_EQ(back.errors[0].text, std::nullopt);
  EXPECT_EQ(back.health.status, report::HealthStatus::kPartial);
  EXPECT_THAT(back.health.silentContexts, ElementsAre("a", ""));
  EXPECT_THAT(back.health.problems, ElementsAre("first\nsecond"));
}

TEST(ReportWire, AShippedDeviceReadsBackToTheSameReport) {
  for (const char* name : {"pe1-erx", "pe2-erx-later-release"}) {
    ReplayTransport device;
    const Status loaded = device.Load(std::string(ERX_SOURCE_DIR) + "/devices/" + name);
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    DiscoveryOptions options;
    options.modulePath = ERX_MODULE_PATH;
    report::Report found;
    const Status discovered = DiscoverCapturedDevice(device, options, found);
    ASSERT_TRUE(discovered.ok()) << discovered.message();
    ASSERT_FALSE(found.labelEntries.empty());
    EXPECT_EQ(Json(RoundTrip(found)), Json(found)) << name;
  }
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
