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

using Json = nlohmann::ordered_json;
using namespace testing;

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

}  // namespace
