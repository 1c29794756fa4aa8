// What erx-discover reports of edited copies of the example device: what the
// agent skipped, which stream gets the traces, and text that is not UTF-8.
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "agents/UnisphereMPLSTelnet/Trace.h"
#include "tests/support/AgentHarness.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

using Json = nlohmann::ordered_json;
using namespace testing;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

namespace fs = std::filesystem;

// A copy of devices/pe1-erx in a temporary folder, removed at the end of the scope.
class DeviceCopy : public TempFolder {
 public:
  DeviceCopy() {
    fs::copy(fs::path(ERX_SOURCE_DIR) / "devices/pe1-erx", Path(), fs::copy_options::recursive);
  }
  // Replaces the first `from` of the file, which must hold it.
  void Edit(const std::string& file, const std::string& from, const std::string& to) const {
    std::string text = Read(file);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " not in " << file;
    text.replace(at, from.size(), to);
    Write(file, text);
  }
};

using Outcome = ProgramRun;

Outcome Discover(const std::string& arguments) {
  return RunProgram(ERX_RUNNER_PATH " " + arguments);
}

Json JsonReport(const DeviceCopy& device, const std::string& options = "") {
  const Outcome run = Discover("--capture " + device.Path() + " --format json " + options);
  EXPECT_EQ(run.status, 0) << run.err;
  return Json::parse(run.out);
}

TEST(TraceStreams, AReportOnStandardOutputSendsTheTracesToStandardError) {
  DeviceCopy device, scratch;
  const std::string capture = "--capture " + device.Path() + " --debug 4 ";
  const Outcome toFile = Discover(capture + "--format json -o " + scratch.Path() + "/r.json");
  const Outcome json = Discover(capture + "--format json");
  ASSERT_EQ(json.status, 0);
  EXPECT_THAT(toFile.out, HasSubstr("::ObtainLabelData() failed to add label data"));
  EXPECT_EQ(json.err, toFile.out);
  EXPECT_EQ(json.out, scratch.Read("r.json"));
  EXPECT_NO_THROW(Json::parse(json.out));

  const Outcome text = Discover(capture);
  EXPECT_EQ(text.err, toFile.out);
  EXPECT_THAT(text.out, StartsWith("Device: pe1-erx\n"));
}

// Records what it hears.
struct Heard : KelTraceListener {
  void OnTraceLine(int level, const std::string& text) override {
    lines += std::to_string(level) + ":" + text + "|";
  }
  std::string lines;
};

TEST(TraceListener, HearsTheLevelsItAsksForWhateverTheDebugLevel) {
  Heard heard;
  for (int debugLevel : {0, 4}) {
    ScopedDebugLevel level(debugLevel);
    CaptureStdout();
    {
      KelScopedTraceListener listening(heard, 1u << 1 | 1u << 3);
      Trace(1) << "::ObtainLabelData() lost " << 2 << " entries";
      TraceRaw(3) << "DownloadBasicTelnetData().\n";
      Trace(4) << "not listened to";
    }
    Trace(1) << "after";
    const std::string written = GetCapturedStdout();
    EXPECT_EQ(written, debugLevel == 0 ? ""
                                       : "::ObtainLabelData() lost 2 entries\n"
                                         "DownloadBasicTelnetData().\nnot listened to\nafter\n");
  }
  EXPECT_EQ(heard.lines,
            "1:::ObtainLabelData() lost 2 entries|3:DownloadBasicTelnetData().|"
            "1:::ObtainLabelData() lost 2 entries|3:DownloadBasicTelnetData().|");
}

// One warning per line that --debug 1 writes, in the same order, whatever the
// debug level (the lines themselves are the agent's, tested where it makes them).
TEST(Warnings, WhatTheAgentSkippedIsReportedAtEveryDebugLevel) {
  DeviceCopy device;
  const Json report = JsonReport(device);
  const Outcome traced = Discover("--capture " + device.Path() + " --debug 1 --format json");
  std::string texts;
  for (const Json& w : report["warnings"]) texts += w["text"].get<std::string>() + "\n";
  EXPECT_EQ(report["warnings"].size(), 10u);
  EXPECT_EQ(texts, traced.err);
  EXPECT_EQ(Json::parse(traced.out)["warnings"], report["warnings"]);
  EXPECT_THAT(
      report["warnings"],
      Contains(Json::parse(R"({"text": "::ObtainVRFData() no label information for lab found!!",
                                       "virtualRouter": "vr2", "vrf": "lab"})")));
}

// The strings of a report, depth first.
void Strings(const Json& json, std::string& out) {
  if (json.is_string()) out += json.get<std::string>() + "\n";
  if (json.is_structured()) {
    for (const Json& element : json) Strings(element, out);
  }
}

// High bytes, a lead byte cut short and control characters in an LSP name and a VRF
// description (a virtual router listed twice puts its whole replies in an error), and NUL too
// in an interface name, where the host's C strings end it. How each byte is shown is the
// report writers' own test (tests/report).
TEST(HostileBytes, OddBytesFromTheRouterGiveValidReportsAndLoseNothing) {
  DeviceCopy device;
  const std::string odd = "\x80\xFF\xC3\xA9\xE9\x01\x1B\x7F";
  const std::string oddAsText = "\u0080\u00ff\u00e9\u00e9\u0001\u001b\u007f";
  device.Edit("cli.log", "to-pe3", "to-" + odd + "3");
  device.Edit("cli.log", "Description: customer red", "Description: " + odd + "\t.");
  device.Edit("cli.log", "default          10.255.0.1       default\r\n",
              "default          10.255.0.1       default\r\n"
              "default          10.255.0.1       default\r\n");
  device.Edit("snmp.walk", "\"ATM2/0\"", "\"ATM2/0 " + odd + std::string("\0.\"", 3));
  std::string strings;
  Strings(JsonReport(device), strings);  // the parse throws on invalid UTF-8
  EXPECT_THAT(strings, HasSubstr("\nto-" + oddAsText + "3\n"));
  EXPECT_THAT(strings, HasSubstr("  Description: " + oddAsText + "\t.\n"));
  EXPECT_THAT(strings, HasSubstr("\nATM2/0 " + oddAsText + "\n"));

  const Outcome text = Discover("--capture " + device.Path());
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_THAT(text.out, HasSubstr("  to-\\x80\u00ff\u00e9\u00e9\\x01\\x1b\\x7f3  "));
  for (char c : text.out) {
    const auto byte = static_cast<unsigned char>(c);
    EXPECT_TRUE(byte >= 0x20 || c == '\n' || c == '\t') << "control byte " << int(byte);
  }
  EXPECT_NO_THROW(Json(text.out).dump());  // dump() throws on invalid UTF-8
}

}  // namespace
