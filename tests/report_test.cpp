// What erx-discover reports of edited copies of the example device: what the
// agent skipped, which stream gets the traces, and text that is not UTF-8.
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "Trace.h"
#include "support/AgentHarness.h"

using Json = nlohmann::ordered_json;
using namespace testing;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

namespace fs = std::filesystem;

// A copy of devices/pe1-erx in a temporary folder, removed at the end of the scope.
class DeviceCopy {
 public:
  DeviceCopy() {
    if (!mkdtemp(path_.data())) path_.clear();
    fs::copy(fs::path(ERX_SOURCE_DIR) / "devices/pe1-erx", path_, fs::copy_options::recursive);
  }
  ~DeviceCopy() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

  std::string Read(const std::string& file) const {
    std::ostringstream text;
    text << std::ifstream(fs::path(path_) / file, std::ios::binary).rdbuf();
    return text.str();
  }
  // Replaces the first `from` of the file, which must hold it.
  void Edit(const std::string& file, const std::string& from, const std::string& to) const {
    std::string text = Read(file);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " not in " << file;
    text.replace(at, from.size(), to);
    std::ofstream(fs::path(path_) / file, std::ios::binary) << text;
  }
  void Append(const std::string& file, const std::string& text) const {
    std::ofstream(fs::path(path_) / file, std::ios::binary | std::ios::app) << text;
  }

 private:
  std::string path_ = (fs::temp_directory_path() / "erx-device-XXXXXX").string();
};

struct Outcome {
  int status = -1;
  std::string out, err;
};

Outcome Discover(const std::string& arguments) {
  DeviceCopy io;
  const std::string command =
      ERX_RUNNER_PATH " " + arguments + " >" + io.Path() + "/o 2>" + io.Path() + "/e";
  const int status = system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, io.Read("o"), io.Read("e")};
}

Json JsonReport(const DeviceCopy& device, const std::string& options = "") {
  const Outcome run = Discover("--capture " + device.Path() + " --format json " + options);
  EXPECT_EQ(run.status, 0) << run.err;
  return Json::parse(run.out);
}

TEST(VrfInterfaces, ALoopbackOfAVrfBindsLikeItsIpInterfaces) {
  DeviceCopy device;
  device.Edit("cli.log", "  Interfaces:\r\n    ATM2/0.10\r\n    ATM2/0.11\r\n",
              "  Interfaces:\r\n    ATM2/0.10\r\n    ATM2/0.11\r\n    loopback 5\r\n");
  device.Append("snmp/default:red.walk",
                ".1.3.6.1.2.1.2.2.1.1.40 = INTEGER: 40\n"
                ".1.3.6.1.2.1.2.2.1.2.40 = STRING: \"loopback5\"\n"
                ".1.3.6.1.2.1.2.2.1.3.40 = INTEGER: softwareLoopback(24)\n"
                ".1.3.6.1.2.1.2.2.1.7.40 = INTEGER: up(1)\n");
  const Json report = JsonReport(device);
  ASSERT_EQ(report["vrfs"][0]["name"], "red");
  EXPECT_EQ(report["vrfs"][0]["ifIndexes"], Json::parse("[30, 31, 40]"));
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
  EXPECT_EQ(heard.lines, "1:::ObtainLabelData() lost 2 entries|3:DownloadBasicTelnetData().|"
                         "1:::ObtainLabelData() lost 2 entries|3:DownloadBasicTelnetData().|");
}

// The rows of the report's warnings as "vr/vrf text".
std::vector<std::string> Warnings(const Json& report) {
  std::vector<std::string> rows;
  for (const Json& w : report["warnings"]) {
    rows.push_back(w.value("virtualRouter", "-") + "/" + w.value("vrf", "-") + " " +
                   w["text"].get<std::string>());
  }
  return rows;
}

TEST(Warnings, WhatTheAgentSkippedIsReportedAtEveryDebugLevel) {
  DeviceCopy device;
  const Json report = JsonReport(device);
  EXPECT_THAT(Warnings(report), IsSupersetOf({
      "default/- ::ObtainLabelData() failed to add label data because ifIndex for 'mpls:2' could "
      "not be found",
      "default/red ::ObtainVRFData() failed to add label data because ifIndex for 'ATM2/0.13' "
      "could not be found",
      "default/red ::ObtainVRFData() failed to add data because label for '172.16.10.1.ip2/0.10' "
      "could not be found",
      "default/red ::ObtainVRFData() failed to add data because label for '172.16.11.1.ip2/0.11' "
      "could not be found",
      "vr2/lab ::ObtainVRFData() no label information for lab found!!"}));

  // One warning per line that --debug 1 writes, in the same order.
  DeviceCopy scratch;
  const Outcome traced = Discover("--capture " + device.Path() + " --debug 1 --format json -o " +
                                  scratch.Path() + "/r.json");
  std::string texts;
  for (const Json& w : report["warnings"]) texts += w["text"].get<std::string>() + "\n";
  EXPECT_EQ(texts, traced.out);
  EXPECT_EQ(Json::parse(scratch.Read("r.json"))["warnings"], report["warnings"]);

  const Outcome text = Discover("--capture " + device.Path());
  EXPECT_THAT(text.out, HasSubstr("\nErrors (0)\n  (none)\n\nWarnings (10)\n  VR       VRF    Text\n"
                                  "  default  -      ::ObtainLabelData() failed"));
  EXPECT_THAT(text.out, EndsWith("\n\n5 label entries, 4 VRFs, 5 impositions, 0 errors, "
                                 "10 warnings\n"));
}

}  // namespace
