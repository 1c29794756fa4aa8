// An agent whose column never ends: each walk of it is cut at a bound (rows,
// bytes kept, time), named in the device's health, and the rest of the device
// is still discovered, in bounded memory.
#include <optional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/LiveReports.h"
#include "transports/SnmpWalker.h"

using namespace testing;

namespace {

const char kIfDescr[] = ".1.3.6.1.2.1.2.2.1.2";
const char kIfAdminStatus[] = ".1.3.6.1.2.1.2.2.1.7";
// Far below the gigabytes of a walk without bounds; the address sanitizer
// keeps freed memory a while and adds its shadow.
#ifdef __SANITIZE_ADDRESS__
const long kPeakKiB = 768 << 10;
#else
const long kPeakKiB = 256 << 10;
#endif

// Every problem is a cut walk of ifAdminStatus that ends with `bound`.
void ExpectOnlyCutWalks(const Json& health, const SimulatedRouter& router,
                        const std::string& bound) {
  ASSERT_TRUE(health.is_object());
  EXPECT_EQ(health["status"], "partial");
  ASSERT_THAT(health["problems"], Not(IsEmpty()));
  const std::string cut =
      "the walk of ifAdminStatus( in @[^ ]+)? at 127\\.0\\.0\\.1:" + router.SnmpPort() +
      " was dropped: " + bound + " \\([0-9]+ rows\\)";
  for (const auto& problem : health["problems"]) {
    EXPECT_THAT(problem.get<std::string>(), MatchesRegex(cut));
  }
}

// All but the interfaces, whose admin status never arrived.
void ExpectTheRestFound(const Json& found) {
  const Json expected = CaptureReport(kExample);
  ASSERT_TRUE(found.is_object());
  for (const char* part : {"virtualRouters", "labelEntries", "vrfs", "ipAddresses"}) {
    EXPECT_EQ(found[part], expected[part]) << part;
  }
}

SnmpSettings WalkerFor(const SimulatedRouter& router) {
  SnmpSettings settings;
  settings.port = std::stoi(router.SnmpPort());
  settings.community = Secrets().at("ERX_COMMUNITY");
  settings.limits.timeoutMs = 2000;
  return settings;
}

TEST(LiveWalkBounds, LongValuesAreCutAtTheByteBound) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(
      kExample,
      {"--user", "admin", "--fault", std::string("endless-table=") + kIfAdminStatus + ":2000"},
      Secrets()));
  const DiscoverRun run = RunDiscover(LiveArguments(router, {}, "20"), Secrets());
  EXPECT_EQ(run.status, 5) << run.err;
  EXPECT_THAT(run.err, HasSubstr("pe1-erx: partial: the walk of ifAdminStatus at 127.0.0.1:" +
                                 router.SnmpPort() + " was dropped: it ran past 64 MiB ("));
  ExpectOnlyCutWalks(HealthOf(run), router, "it ran past 64 MiB");
  ExpectTheRestFound(ReportOf(run));
  EXPECT_LT(run.peakKiB, kPeakKiB);
}

// Every answer held 5 ms: a walk of 25 rows a request gets a few thousand
// rows a second, however fast the machine, far below the other two bounds.
TEST(LiveWalkBounds, AWalkThatOutlastsTheTimeoutIsCut) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample,
                           {"--user", "admin", "--fault",
                            std::string("endless-table=") + kIfAdminStatus, "--fault", "latency=5"},
                           Secrets()));
  const DiscoverRun run = RunDiscover(LiveArguments(router, {}, "1"), Secrets());
  EXPECT_EQ(run.status, 5) << run.err;
  ExpectOnlyCutWalks(HealthOf(run), router, "it took longer than 1 s");
  ExpectTheRestFound(ReportOf(run));
  EXPECT_LT(run.peakKiB, kPeakKiB);
}

// The row bound lies beyond the byte bound for any row, so the walker's own
// bounds are lowered here to reach each of them in a moment.
TEST(LiveWalkBounds, TheWalkerStopsAtWhicheverBoundComesFirstInEveryContext) {
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(
      kExample,
      {"--user", "admin", "--fault", std::string("endless-table=") + kIfAdminStatus + ":2000"},
      Secrets()));
  SnmpSettings rows = WalkerFor(router);
  rows.limits.maxWalkRows = 1000;
  SnmpWalker byRows(rows);
  for (const std::string context : {"", "@vr2", "@default:red"}) {
    std::string cut;
    EXPECT_EQ(byRows.Walk(context, kIfAdminStatus, &cut), std::nullopt) << context;
    EXPECT_EQ(cut, "it ran past 1000 rows (1000 rows)") << context;
    // The other columns are the capture's, as the agent behind serves them.
    const auto names = byRows.Walk(context, kIfDescr);
    ASSERT_TRUE(names.has_value()) << context;
    EXPECT_THAT(*names, Not(IsEmpty()));
  }

  SnmpSettings bytes = WalkerFor(router);
  bytes.limits.maxWalkBytes = size_t{1} << 20;
  std::string cut;
  EXPECT_EQ(SnmpWalker(bytes).Walk("@vr2", kIfAdminStatus, &cut), std::nullopt);
  EXPECT_THAT(cut, StartsWith("it ran past 1 MiB ("));
}

}  // namespace
