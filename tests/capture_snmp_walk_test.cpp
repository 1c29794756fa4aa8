// Reading captured `snmpwalk -On` output.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "SnmpWalkFile.h"

using testing::ElementsAre;
using testing::IsEmpty;
using testing::SizeIs;
using testing::StartsWith;

namespace {

WalkColumns Parse(const std::string& text, std::vector<std::string>* warnings = nullptr) {
  std::vector<std::string> ignored;
  return ParseSnmpWalk(text, "vr1.walk", warnings ? *warnings : ignored);
}

TEST(SnmpWalk, NumericColumnsAreNamedAndTheirInstancesSplitOff) {
  WalkColumns columns = Parse(
      ".1.3.6.1.2.1.2.2.1.2.7 = STRING: \"ATM2/0.1\"\n"
      ".1.3.6.1.2.1.2.2.1.3.7 = INTEGER: atm(37)\n"
      ".1.3.6.1.2.1.2.2.1.7.7 = INTEGER: up(1)\n"
      ".1.3.6.1.2.1.4.20.1.2.10.1.1.1 = INTEGER: 7\n"
      ".1.3.6.1.2.1.2.2.1.10.7 = Counter32: 1234\n");
  ASSERT_THAT(columns["ifDescr"], SizeIs(1));
  EXPECT_THAT(columns["ifDescr"][0].instance, ElementsAre(7u));
  EXPECT_EQ(columns["ifDescr"][0].text, "ATM2/0.1");
  EXPECT_FALSE(columns["ifDescr"][0].isInt);
  EXPECT_EQ(columns["ifType"][0].intValue, 37);
  EXPECT_EQ(columns["ifAdminStatus"][0].intValue, 1);
  EXPECT_TRUE(columns["ifAdminStatus"][0].isInt);
  EXPECT_THAT(columns["ipAdEntIfIndex"][0].instance, ElementsAre(10u, 1u, 1u, 1u));
  EXPECT_EQ(columns["ipAdEntIfIndex"][0].intValue, 7);
  EXPECT_EQ(columns.size(), 4u) << "ifInOctets is not a column the host asks for";
}

TEST(SnmpWalk, ValueFormsOfNetSnmp) {
  WalkColumns columns = Parse(
      ".1.3.6.1.2.1.2.2.1.2.1 = STRING: ATM2/0\n"
      ".1.3.6.1.2.1.2.2.1.2.2 = \"\"\n"
      ".1.3.6.1.2.1.2.2.1.2.3 = STRING: \"tun \\\"mpls\\\":1\"\n"
      ".1.3.6.1.2.1.2.2.1.2.4 = STRING: \"two\n"
      "lines\"\n"
      ".1.3.6.1.2.1.2.2.1.5.1 = Gauge32: 155000000\n"
      ".1.3.6.1.2.1.2.2.1.6.1 = Hex-STRING: 00 90 1A 40 12 03 00 90 1A 40 12 03 00 90 1A 40 \n"
      "12 03 \n"
      ".1.3.6.1.2.1.4.20.1.3.10.1.1.1 = IpAddress: 255.255.255.252\n");
  EXPECT_EQ(columns["ifDescr"][0].text, "ATM2/0");
  EXPECT_EQ(columns["ifDescr"][1].text, "");
  EXPECT_EQ(columns["ifDescr"][2].text, "tun \"mpls\":1");
  EXPECT_EQ(columns["ifDescr"][3].text, "two\nlines");
  EXPECT_EQ(columns["ifSpeed"][0].text, "155000000");
  EXPECT_EQ(columns["ifPhysAddress"][0].text, "00 90 1A 40 12 03 00 90 1A 40 12 03 00 90 1A 40 12 03");
  EXPECT_EQ(columns["ipAdEntNetMask"][0].text, "255.255.255.252");
}

TEST(SnmpWalk, SymbolicAndAbbreviatedNames) {
  WalkColumns columns = Parse(
      "IF-MIB::ifDescr.7 = STRING: ATM2/0.1\n"
      "RFC1213-MIB::ipAdEntIfIndex.10.1.1.1 = INTEGER: 7\n"
      "iso.3.6.1.2.1.2.2.1.3.7 = INTEGER: 37\n"
      "SNMPv2-SMI::mib-2.2.2.1.7.7 = INTEGER: down(2)\n");
  EXPECT_THAT(columns["ifDescr"][0].instance, ElementsAre(7u));
  EXPECT_THAT(columns["ipAdEntIfIndex"][0].instance, ElementsAre(10u, 1u, 1u, 1u));
  EXPECT_EQ(columns["ifType"][0].intValue, 37);
  EXPECT_EQ(columns["ifAdminStatus"][0].intValue, 2);
}

TEST(SnmpWalk, NoSuchObjectGivesNoRow) {
  EXPECT_THAT(Parse(".1.3.6.1.2.1.2.2.1.2 = No Such Object available on this agent at this OID\n"
                    ".1.3.6.1.2.1.4.20.1.2 = No Such Instance currently exists at this OID\n"),
              IsEmpty());
}

TEST(SnmpWalk, UnreadableLinesAreNamedByFileAndLineAndOnlyTheyAreLost) {
  std::vector<std::string> warnings;
  WalkColumns columns = Parse(
      ".1.3.6.1.2.1.2.2.1.2.1 = STRING: \"ATM2/0\"\n"
      "garbage in the capture\n"
      ".1.3.6.1.2.1.2.2.1.7.1 = INTEGER: sideways\n"
      ".1.3.x.1 = INTEGER: 1\n"
      ".1.3.6.1.2.1.2.2.1.2.3 = STRING: \"ATM3/0\"\n"
      ".1.3.6.1.2.1.2.2.1.2.4 = STRING: \"cut short\n",
      &warnings);
  ASSERT_THAT(warnings, SizeIs(4));
  EXPECT_EQ(warnings[0], "vr1.walk:2: not a walk line (\"OID = TYPE: value\"): garbage in the capture");
  EXPECT_THAT(warnings[1], StartsWith("vr1.walk:3: INTEGER value is not a number"));
  EXPECT_THAT(warnings[2], StartsWith("vr1.walk:4: cannot read the object identifier"));
  EXPECT_THAT(warnings[3], StartsWith("vr1.walk:6: quoted string never ends"));
  ASSERT_THAT(columns["ifDescr"], SizeIs(2));
  EXPECT_EQ(columns["ifDescr"][1].text, "ATM3/0");
}

}  // namespace
