// An agent whose column never ends: each walk of it is cut at a bound (bytes
// kept, time), named in the device's health, and the rest of the device is
// still discovered, in bounded memory. The walker's own bounds, rows among
// them, are tested on an agent in memory (tests/simulator).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/LiveReports.h"

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

}  // namespace
