// The report writers: a report model in, bytes out. Router text is always
// written as valid UTF-8, odd bytes read as Latin-1, control characters
// escaped in the text report.
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "report/JsonReport.h"
#include "report/ReportText.h"
#include "report/TextReport.h"
#include "tests/support/LabelTableExamples.h"

namespace {

std::string Readable(std::string_view bytes) {
  std::string out;
  AppendReadable(out, bytes);
  return out;
}

TEST(ReportText, ValidUtf8PassesUnchanged) {
  for (const char* text : {"", "to-pe2", "caf\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x98\x80",
                           "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF", "tab\there"}) {
    EXPECT_EQ(ValidUtf8(text), text);
  }
}

TEST(ReportText, EveryOtherByteIsItsLatin1Character) {
  EXPECT_EQ(ValidUtf8("to-p\xE9"
                      "2"),
            "to-p\xC3\xA9"
            "2");
  EXPECT_EQ(ValidUtf8("\xFF\x80"), "\xC3\xBF\xC2\x80");
  // A sequence cut short: its lead byte alone is Latin-1, what follows is read anew.
  EXPECT_EQ(ValidUtf8("\xC3"
                      "a"),
            "\xC3\x83"
            "a");
  EXPECT_EQ(ValidUtf8("\xE2\x82"), "\xC3\xA2\xC2\x82");
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  EXPECT_EQ(ValidUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");
  EXPECT_EQ(ValidUtf8("\xE0\x80\xAF"), "\xC3\xA0\xC2\x80\xC2\xAF");
  EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
  EXPECT_EQ(ValidUtf8("\xF4\x90\x80\x80"), "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80");
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(ValidUtf8(withNul), withNul);
}

TEST(ReportText, TheTextReportEscapesControlCharactersButTab) {
  EXPECT_EQ(Readable(std::string("a\nb\r\0\x01\x1B\x7F\tc", 10)),
            "a\\nb\\r\\x00\\x01\\x1b\\x7f\tc");
  EXPECT_EQ(Readable("\xC2\x85 \x85 \xE9"), "\\x85 \\x85 \xC3\xA9");  // C1 whether UTF-8 or Latin-1
  EXPECT_EQ(Readable("\\x41"), "\\x41");
  EXPECT_EQ(CharacterCount(Readable("to-p\xE9"
                                    "2")),
            6u);
}

// A device with one of everything, some values missing: the module's label
// entry, then two read from the table by incoming label.
report::Report SmallReport() {
  report::Report r;
  r.device = "pe1";
  r.agent = "agent";
  r.generator = "erx-discover 9.9.9";
  r.virtualRouters = {{"default", std::vector<std::string>{"red"}}};
  report::LabelEntry entry;
  entry.virtualRouter = "default";
  entry.lspName =
      "to-p\xE9"
      "2";
  entry.inLabel = "17";
  entry.outIfIndex = 12;
  entry.inIfIndexes = std::vector<int>{10, 11};
  entry.inInterfaces = std::vector<std::string>{};
  const report::LabelEntry swap = LabelTableSwap();
  report::LabelEntry other;
  other.virtualRouter = "default";
  other.inLabel = "24";
  other.owner = "ldp";
  other.action = "other";
  other.actionText = "aggregate to 25";
  other.layout = "label-table";
  r.labelEntries = {entry, swap, other};
  report::Vrf vrf;
  vrf.name = "red";
  vrf.routeDistinguisher = "";
  vrf.impositions =
      std::vector<report::Imposition>{{"101", "10.5.0.0/16", 10, std::nullopt, "2.2.2.2"}};
  r.vrfs = {vrf, report::Vrf{}};
  r.interfaces = {{30, std::string("ip2/0.10\n\x01"), std::nullopt, std::nullopt}};
  r.errors = {{-220439, "CPelkUnisphereMPLSTelnet", 1898, std::nullopt}};
  r.warnings = {{"lost", std::string("default"), std::nullopt}};
  r.health.status = report::HealthStatus::kPartial;
  r.health.cliSource = "127.0.0.1:23";
  r.health.commandsSent = 3;
  r.health.commandsAnswered = 2;
  r.health.commandsTimedOut = 1;
  r.health.snmpSource = "127.0.0.1:161";
  r.health.walksAnswered = 4;
  r.health.walksUnanswered = 1;
  r.health.silentContexts = {"@vr2"};
  r.health.problems = {"SNMP at 127.0.0.1:161 did not answer in context @vr2 (1 walk lost)"};
  return r;
}

// The same bytes as the expected value written with two blanks of indent.
TEST(ReportWriters, JsonKeepsTheModelsOrderAndLeavesOutWhatIsMissing) {
  std::ostringstream out;
  WriteJsonReport(SmallReport(), out);
  const auto expected = nlohmann::ordered_json::parse(R"json({
  "device": "pe1", "agent": "agent", "generator": "erx-discover 9.9.9",
  "virtualRouters": [{"name": "default", "vrfs": ["red"]}],
  "labelEntries": [
    {"virtualRouter": "default", "lspName": "to-pé2", "inLabel": "17", "outIfIndex": 12,
     "inIfIndexes": [10, 11], "inInterfaces": []},
    {"virtualRouter": "default", "inInterface": "FastEthernet2/0.1", "owner": "ldp",
     "action": "swap", "outLabel": "55", "pushLabels": ["42", "16"], "outInterface": "ATM5/0.1",
     "outIfIndex": 10, "nextHop": "10.10.11.5", "labelSpace": "Platform label space",
     "layout": "label-table"},
    {"virtualRouter": "default", "inLabel": "24", "owner": "ldp", "action": "other",
     "actionText": "aggregate to 25", "layout": "label-table"}],
  "vrfs": [
    {"name": "red", "routeDistinguisher": "", "impositions": [
      {"label": "101", "destination": "10.5.0.0/16", "ifIndex": 10, "nextHop": "2.2.2.2"}]},
    {}],
  "interfaces": [{"ifIndex": 30, "ifDescr": "ip2/0.10\n\u0001"}],
  "ipAddresses": [],
  "errors": [{"code": -220439, "source": "CPelkUnisphereMPLSTelnet", "line": 1898}],
  "warnings": [{"text": "lost", "virtualRouter": "default"}],
  "health": {
    "status": "partial",
    "cli": {"source": "127.0.0.1:23", "sent": 3, "answered": 2, "refused": 0, "timedOut": 1,
            "cutOff": 0, "notSent": 0, "reconnections": 0},
    "snmp": {"source": "127.0.0.1:161", "walksAnswered": 4, "walksUnanswered": 1,
             "silentContexts": ["@vr2"]},
    "problems": ["SNMP at 127.0.0.1:161 did not answer in context @vr2 (1 walk lost)"]}
})json");
  EXPECT_EQ(out.str(), expected.dump(2) + "\n");
}

TEST(ReportWriters, TextShowsHealthFirstMissingValuesAndEmptyTextAndCountsAtTheEnd) {
  std::ostringstream out;
  WriteTextReport(SmallReport(), out);
  EXPECT_EQ(out.str(), R"(Device: pe1
Agent:  agent
Generator: erx-discover 9.9.9
Health: partial
  CLI 127.0.0.1:23: 3 commands sent, 2 answered, 0 refused, 1 timed out, 0 cut off, 0 not sent, 0 reconnections
  SNMP 127.0.0.1:161: 4 walks answered, 1 unanswered (silent: @vr2)
  - SNMP at 127.0.0.1:161 did not answer in context @vr2 (1 walk lost)

Virtual routers (1)
  Name     VRFs
  default  red

Label entries (3)
  VR       LSP     In  Out  Out interface  Out ifIndex  Next hop  In ifIndexes  In interfaces
  default  to-pé2  17  -    -              12           -         10 11         -
  By incoming label (2)
    VR       In                 Owner  Action                  Out  Push   Out interface  Out ifIndex  Next hop    Label space
    default  FastEthernet2/0.1  ldp    swap                    55   42 16  ATM5/0.1       10           10.10.11.5  Platform label space
    default  24                 ldp    other: aggregate to 25  -    -      -              -            -           -

VRFs (2)
  VR  Name  RD  Export RTs  Import RTs  ifIndexes
  -   red   ""  -           -           -
  -   -     -   -           -           -
  Impositions of -/red (1)
    Label  Destination  ifIndex  Interface  Next hop
    101    10.5.0.0/16  10       -          2.2.2.2

Interfaces (1)
  ifIndex  ifDescr         VR  VRF
  30       ip2/0.10\n\x01  -   -

IP addresses (0)
  (none)

Errors (1)
  Code     Source                    Line  Text
  -220439  CPelkUnisphereMPLSTelnet  1898  -

Warnings (1)
  VR       VRF  Text
  default  -    lost

3 label entries, 2 VRFs, 1 impositions, 1 errors, 1 warnings
)");
}

}  // namespace
