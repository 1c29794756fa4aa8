// A captured walk turned into what snmpsim serves: every value the walk
// reader gives, in numeric OID order, and what cannot be served named.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "simulator/Snmprec.h"

using namespace testing;

namespace {

TEST(Snmprec, ServesEachValueInNumericOrderAndNamesWhatItCannot) {
  std::vector<std::string> warnings;
  const std::string served = SnmprecFromWalk(
      ".1.3.6.1.2.1.2.2.1.10.7 = Counter32: 1234\n"
      ".1.3.6.1.2.1.2.2.1.2.7 = STRING: \"two\n"
      "lines \\\"quoted\\\"\"\n"
      ".1.3.6.1.2.1.2.2.1.7.7 = INTEGER: up(1)\n"
      ".1.3.6.1.2.1.2.2.1.6.7 = Hex-STRING: 00 90 1A \n"
      "40 12 03 \n"
      ".1.3.6.1.2.1.1.3.0 = Timeticks: (12345) 0:02:03.45\n"
      "IF-MIB::ifDescr.8 = STRING: \"named\"\n"
      ".1.3.6.1.2.1.2.2.1.2.9 = No Such Instance currently exists at this OID\n"
      ".1.3.6.1.2.1.2.2.1.3.7 = Opaque: 01\n",
      "pe1.walk", warnings);
  EXPECT_EQ(served,
            "1.3.6.1.2.1.1.3.0|67|12345\n"
            "1.3.6.1.2.1.2.2.1.2.7|4x|74776f0a6c696e6573202271756f74656422\n"
            "1.3.6.1.2.1.2.2.1.6.7|4x|00901A401203\n"
            "1.3.6.1.2.1.2.2.1.7.7|2|1\n"
            "1.3.6.1.2.1.2.2.1.10.7|65|1234\n");
  EXPECT_THAT(warnings, ElementsAre(StartsWith("pe1.walk:8: not a numeric OID, not served"),
                                    StartsWith("pe1.walk:10: a value type not served")));
}

}  // namespace
