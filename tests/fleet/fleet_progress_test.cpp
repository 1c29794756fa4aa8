// The progress bar a fleet run draws on a terminal, and what it writes without one.
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fleet/FleetProgress.h"

using namespace testing;

namespace {

TEST(FleetProgress, MessagesStayAndTheBarGoesOrIsNeverDrawnWithoutATerminal) {
  std::ostringstream terminal;
  FleetProgress progress(4, true, terminal);
  progress.SetRunning(2);
  progress.DeviceEnded(true);
  progress.Redraw();
  progress.DeviceEnded(false);
  progress.Message("pe3: snmp.walk:7: not a walk line");
  progress.Finish();
  const std::string drawn = terminal.str();
  // The bar is cleared before a message, so the message stands on a line of its own.
  EXPECT_THAT(drawn, HasSubstr("\r\033[Kpe3: snmp.walk:7: not a walk line\n"));
  EXPECT_THAT(drawn, AllOf(HasSubstr("1/4 done"), HasSubstr("2/4 done"), HasSubstr("1 failed")));
  EXPECT_THAT(drawn, EndsWith("\r\033[K"));  // nothing of the bar stays for the summary

  // Without a terminal only the messages are written.
  std::ostringstream log;
  FleetProgress quiet(2, false, log);
  quiet.DeviceEnded(true);
  quiet.Message("pe1: cannot connect to 10.0.0.1:23");
  quiet.Redraw();
  quiet.Finish();
  EXPECT_EQ(log.str(), "pe1: cannot connect to 10.0.0.1:23\n");
}

}  // namespace
