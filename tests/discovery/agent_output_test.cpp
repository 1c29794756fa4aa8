// What becomes of the agent's traces: its level-1 messages are the report's
// warnings, each with the virtual router and VRF its entry traces named; and
// while a report goes to standard output, the traces go to standard error.
#include <cstdio>
#include <iostream>
#include <utility>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/AgentWarnings.h"
#include "discovery/TraceRouting.h"

using namespace testing;

namespace {

TEST(AgentWarnings, EachMessageTakesTheContextOfTheLastEntryTraceOfTheAgent) {
  const std::pair<int, const char*> lines[] = {
      {1, "::DADoMediationLayer() before any router"},
      {3, "CPelkUnisphereMPLSTelnet::ObtainLabelData(,,,vr2)"},
      {1, "::ObtainLabelData() lost one"},
      {4, "::ObtainLabelData() a detail, not a warning"},
      {3, "CPelkUnisphereMPLSTelnet::GetLabels(,,red,vr2)"},
      {1, "::GetLabels() no labels"},
      {3, "CPelkUnisphereLabelEntry::ConvertVendorInLabelEntry()"},  // another class's
      {2, "CPelkUnisphereMPLSTelnet::GetLabels(,,blue,vr2)"},        // not an entry trace
      {1, "::GetLabels() still red"},
      {3, "CPelkUnisphereMPLSTelnet::GenerateIfDescrToIfIndexTL(,,,vr3)"},
      {1, "::GenerateIfDescrToIfIndexTL() in vr3 alone"},
      {3, "CPelkUnisphereMPLSTelnet::GetLabels(,red,vr2)"},  // not the form it knows
      {1, "unknown again"},
      {3, "CPelkUnisphereMPLSTelnet::ObtainVRFData(,,vr4)"},
      {3, "CPelkUnisphereMPLSTelnet::DMACleanUpMedData()"},
      {1, "::DMACleanUpMedData() outside every router"},
      {3, "CPelkUnisphereMPLSTelnet::ObtainVRFData(,,vr4)"}};
  AgentWarnings warnings;
  for (const auto& [level, text] : lines) warnings.OnTraceLine(level, text);
  warnings.ForgetContext();
  warnings.OnTraceLine(1, "written by the host");
  std::vector<std::string> heard;
  for (const AgentWarning& w : warnings.Warnings()) {
    heard.push_back(w.virtualRouter + "/" + w.vrf + " " + w.text);
  }
  EXPECT_THAT(
      heard,
      ElementsAre("/ ::DADoMediationLayer() before any router", "vr2/ ::ObtainLabelData() lost one",
                  "vr2/red ::GetLabels() no labels", "vr2/red ::GetLabels() still red",
                  "vr3/ ::GenerateIfDescrToIfIndexTL() in vr3 alone", "/ unknown again",
                  "/ ::DMACleanUpMedData() outside every router", "/ written by the host"));
}

// The agent writes its traces with both C++ streams and C stdio.
TEST(TraceRouting, WhileActiveWhatGoesToStandardOutputGoesToStandardError) {
  internal::CaptureStdout();
  internal::CaptureStderr();
  std::cout << "report: ";
  {
    TracesToStandardError traces(true);
    std::cout << "trace ";
    std::printf("c-trace ");
  }
  std::printf("still the report ");
  {
    TracesToStandardError inactive(false);
    std::cout << "the end";
  }
  const std::string err = internal::GetCapturedStderr();
  EXPECT_EQ(internal::GetCapturedStdout(), "report: still the report the end");
  EXPECT_EQ(err, "trace c-trace ");
}

}  // namespace
