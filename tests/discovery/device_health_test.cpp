// What a device's answers make of it: ok, partial or failed, and the sentence
// that names the source that did not answer and where it was reached.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/DeviceHealth.h"
#include "discovery/SingleDevice.h"

using namespace testing;

namespace {

TransportHealth LiveRouter() {
  TransportHealth tally;
  tally.cli.source = "127.0.0.1:2323";
  tally.snmp.source = "127.0.0.1:1199";
  return tally;
}

TransportHealth AllAnswered() {
  TransportHealth tally = LiveRouter();
  tally.cli.sent = tally.cli.answered = 40;
  tally.snmp.walksAnswered = 12;
  tally.snmp.contextsAnswered = {"", "@default", "@vr2"};
  return tally;
}

TEST(DeviceHealth, EverythingAnsweredIsOkAndARefusedCommandIsAnAnswer) {
  TransportHealth tally = AllAnswered();
  tally.cli.answered = 38;
  tally.cli.refused = 2;
  const report::Health health = AssessHealth(tally);
  EXPECT_EQ(health.status, report::HealthStatus::kOk);
  EXPECT_THAT(health.problems, IsEmpty());
  EXPECT_EQ(health.commandsRefused, 2);
  EXPECT_EQ(HealthLine(health), "");
}

TEST(DeviceHealth, SnmpThatNeverAnsweredFailsTheDeviceAndSaysWhere) {
  TransportHealth tally = AllAnswered();
  tally.snmp.walksAnswered = 0;
  tally.snmp.walksUnanswered = 37;
  tally.snmp.contextsAnswered.clear();
  tally.snmp.contextsSilent = {"", "@default"};
  const report::Health health = AssessHealth(tally);
  EXPECT_EQ(health.status, report::HealthStatus::kFailed);
  EXPECT_EQ(HealthLine(health), "failed: SNMP at 127.0.0.1:1199 did not answer (37 walks asked)");
}

TEST(DeviceHealth, ACliThatAnsweredNothingFailsEvenWhenSnmpAnswered) {
  TransportHealth tally = AllAnswered();
  tally.cli.sent = 3;
  tally.cli.answered = 0;
  tally.cli.timedOut = 3;
  tally.cli.first.timedOut = "show virtual-router";
  tally.cli.notSent = 11;
  tally.whyNotSent = "3 commands in a row got no reply within 3 s";
  const report::Health health = AssessHealth(tally);
  EXPECT_EQ(health.status, report::HealthStatus::kFailed);
  EXPECT_THAT(health.problems,
              ElementsAre("the CLI at 127.0.0.1:2323 answered none of the 14 commands of the "
                          "discovery (3 timed out, 11 not sent)",
                          "the rest was not sent: 3 commands in a row got no reply within 3 s"));

  // Refusals are answers, but a router that refuses every command is not discovered either.
  tally = AllAnswered();
  tally.cli.answered = 0;
  tally.cli.refused = 40;
  EXPECT_EQ(HealthLine(AssessHealth(tally)),
            "failed: the CLI at 127.0.0.1:2323 answered none of the 40 commands of the "
            "discovery (40 refused)");
}

TEST(DeviceHealth, EachLossIsOneSentenceAndMakesThePartial) {
  TransportHealth tally = AllAnswered();
  tally.cli.answered = 37;
  tally.cli.timedOut = 1;
  tally.cli.first.timedOut = "show ip vrf detail";
  tally.cli.notSent = 2;
  tally.whyNotSent = "the connection dropped 6 times, the most one device may cost";
  tally.cli.reconnections = 6;
  tally.snmp.walksUnanswered = 2;
  tally.snmp.contextsSilent = {"@vr2:lab"};
  tally.snmp.cutWalks = {
      "the walk of ifDescr in @vr2 at 127.0.0.1:1199 was dropped: it ran past 64 MiB"};
  const report::Health health = AssessHealth(tally);
  EXPECT_EQ(health.status, report::HealthStatus::kPartial);
  EXPECT_THAT(
      health.problems,
      ElementsAre("the CLI at 127.0.0.1:2323 gave no reply within the timeout to 1 command "
                  "(first: \"show ip vrf detail\")",
                  "2 commands were not sent to 127.0.0.1:2323: the connection dropped 6 "
                  "times, the most one device may cost",
                  "SNMP at 127.0.0.1:1199 did not answer in context @vr2:lab (2 walks lost)",
                  "the walk of ifDescr in @vr2 at 127.0.0.1:1199 was dropped: it ran past 64 MiB"));
  EXPECT_THAT(HealthLine(health), StartsWith("partial: the CLI at 127.0.0.1:2323 gave no reply"));
  EXPECT_THAT(HealthLine(health), EndsWith("(and 3 more problems in the report's health)"));
}

TEST(DeviceHealth, ACaptureWithoutACommandFails) {
  TransportHealth tally;
  tally.capture = true;
  tally.cli.source = "lab/pe9/cli.log";
  tally.snmp.source = "lab/pe9";
  tally.cli.holdsCommands = false;
  tally.snmp.walksAnswered = 3;
  tally.snmp.contextsAnswered = {""};
  EXPECT_EQ(HealthLine(AssessHealth(tally)),
            "failed: the capture lab/pe9/cli.log holds no command");
}

}  // namespace
