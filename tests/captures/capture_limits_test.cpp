// Captures far beyond what a router prints: huge files, huge lines, huge walks and
// damaged lines are read in proportion to their size or refused with a message.
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "captures/CliCapture.h"
#include "captures/SnmpWalkFile.h"
#include "tests/support/TempFolder.h"
#include "transports/ReplayTransport.h"

using namespace testing;
namespace fs = std::filesystem;

namespace {

TEST(CaptureLimits, FilesOver256MiBAreRefusedByName) {
  TempFolder device;
  device.Write("cli.log", "pe1#show ip vrf\nred\n");
  device.Write("snmp.walk", "");
  fs::resize_file(device.File("snmp.walk"), (std::uintmax_t{256} << 20) + 1);  // sparse
  ReplayTransport replay;
  Status loaded = replay.Load(device.Path());
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  EXPECT_THAT(replay.Warnings(),
              ElementsAre(HasSubstr("snmp.walk is 256 MiB, more than the 256 MiB")));

  fs::resize_file(device.File("cli.log"), std::uintmax_t{300} << 20);
  ReplayTransport tooLarge;
  loaded = tooLarge.Load(device.Path());
  EXPECT_FALSE(loaded.ok());
  EXPECT_THAT(loaded.message(), AllOf(HasSubstr("cli.log is 300 MiB"), HasSubstr("256 MiB")));
}

TEST(CaptureLimits, TenMegabyteLinesAreKeptWholeAndPagingMarksGoInOnePass) {
  const std::string wide(10 << 20, 'x');
  std::string paged;
  for (int i = 0; i < 200000; ++i) paged += " --More-- ";
  const CliCapture capture = ParseCliLog("pe1#show a\r\n" + wide + "\r\n" + paged + "end\r\n" +
                                         "--Mo --More--re--tail\r\npe1#exit\r\n");
  const std::string* reply = capture.Reply("default", "show a");
  ASSERT_NE(reply, nullptr);
  EXPECT_EQ(*reply, wide + "\n end\ntail\n");
}

TEST(CaptureLimits, WarningsQuoteAtMost80CharactersEscaped) {
  std::vector<std::string> warnings;
  const std::string damaged = std::string("bad\x01\xe9\\ ") + std::string(10 << 20, 'z');
  const WalkColumns columns = ParseSnmpWalk(
      damaged + "\n.1.3.6.1.2.1.2.2.1.2.7 = STRING: \"ATM2/0.1\"\n", "vr1.walk", warnings);
  ASSERT_THAT(warnings, SizeIs(1));
  EXPECT_EQ(warnings[0], "vr1.walk:1: not a walk line (\"OID = TYPE: value\"): bad\\x01\\xe9\\\\ " +
                             std::string(73, 'z') + "...");
  EXPECT_THAT(columns.at("ifDescr"), ElementsAre(Field(&WalkRow::text, "ATM2/0.1")));
}

TEST(CaptureLimits, AMillionRowWalkIsReadWhole) {
  std::string walk;
  for (unsigned i = 1; i <= 1000000; ++i) {
    walk += ".1.3.6.1.2.1.2.2.1.7." + std::to_string(i) + " = INTEGER: up(1)\n";
  }
  std::vector<std::string> warnings;
  const WalkColumns columns = ParseSnmpWalk(walk, "big.walk", warnings);
  EXPECT_THAT(warnings, IsEmpty());
  ASSERT_THAT(columns.at("ifAdminStatus"), SizeIs(1000000));
  EXPECT_THAT(columns.at("ifAdminStatus").back().instance, ElementsAre(1000000u));
}

}  // namespace
