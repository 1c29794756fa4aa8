// Live discovery of the shipped devices served by erx-simulator: the same
// reports as their captures, in SNMPv2c and v3, and captures saved from the
// live sessions that replay to the same reports; the simulator's snmpsim
// keeps its data and secrets to itself and ends with it.
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/LiveReports.h"
#include "transports/SnmpWalker.h"

namespace fs = std::filesystem;
using namespace testing;

namespace {

std::vector<std::string> ShippedDevices() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kDevices)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The simulator's SNMP data: no other user of the machine may list or read it.
void ExpectSimulatorDataPrivate() {
  std::error_code error;
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path(), error)) {
    if (entry.path().filename().string().rfind("erx-simulator-", 0) != 0) continue;
    const fs::file_status status = fs::symlink_status(entry.path(), error);
    if (error || !fs::exists(status)) continue;  // another simulator's, gone as it stopped
    ++seen;
    const fs::perms others = status.permissions() & (fs::perms::group_all | fs::perms::others_all);
    EXPECT_EQ(others, fs::perms::none) << entry.path();
  }
  EXPECT_GT(seen, 0);
}

// The simulator `parent`'s child that runs snmpsim (-1 when none); what its
// children were `started` with: command lines and environments, NUL-separated.
pid_t Snmpsim(pid_t parent, std::string& started) {
  const std::string task = "/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent);
  std::ifstream children(task + "/children");
  pid_t snmpsim = -1;
  started.clear();
  for (pid_t child; children >> child;) {
    const std::string proc = "/proc/" + std::to_string(child);
    started += ReadFile(proc + "/cmdline") + ReadFile(proc + "/environ");
    if (snmpsim < 0 && started.find("--cache-dir=") != std::string::npos) snmpsim = child;
  }
  return snmpsim;
}

// The value of `option` ("--cache-dir=") in what snmpsim was `started` with.
std::string OptionOf(const std::string& started, const std::string& option) {
  const size_t at = started.find(option);
  if (at == std::string::npos) return "";
  const size_t start = at + option.size();
  return started.substr(start, started.find('\0', start) - start);
}

// The names of the files in the folders that snmpsim was given: its data
// (DATA.args names DATA) and its cache.
std::vector<std::string> SnmpFileNames(pid_t simulator) {
  std::string started;
  Snmpsim(simulator, started);
  const std::string data = OptionOf(started, "--args-from-file=");
  if (data.size() < 5) return {};
  std::vector<std::string> names;
  for (const std::string& folder : {data.substr(0, data.size() - std::string(".args").size()),
                                    OptionOf(started, "--cache-dir=")}) {
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename());
  }
  return names;
}

class ShippedDevice : public TestWithParam<std::string> {};

TEST_P(ShippedDevice, LiveReportAndSavedCaptureEqualTheCapture) {
  const std::string device = kDevices + GetParam();
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(device, {"--user", "admin"}, Secrets()));
  TempFolder saved;
  const std::string capture = saved.Path() + "/capture";
  const DiscoverRun live =
      RunDiscover(LiveArguments(router, {"--save-capture", capture}), Secrets());
  ASSERT_EQ(live.status, 0) << live.err;

  const Json expected = CaptureReport(device);
  ASSERT_TRUE(expected.is_object());
  EXPECT_EQ(ReportOf(live), expected);
  const DiscoverRun replay = RunDiscover({"--capture", capture, "--format", "json"}, {});
  EXPECT_EQ(replay.status, 0) << replay.err;
  EXPECT_EQ(ReportOf(replay), expected);

  ExpectNoSecretIn(live.out + live.err, "erx-discover's output");
  ExpectNoSecretInFiles(capture);
}

INSTANTIATE_TEST_SUITE_P(Devices, ShippedDevice, ValuesIn(ShippedDevices()));

// Gone, or a zombie that nobody reaped yet: it serves nothing either way.
bool Ended(pid_t pid) {
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t name = stat.rfind(')');
  return name == std::string::npos || stat.compare(name + 2, 1, "Z") == 0;
}

// snmpsim gets the ordinary variables and none of the secrets, whatever their
// names, neither on its command line nor in its environment, nor in the names
// of its data; it answers the community alone, in SNMPv3 names the context,
// and ends with the simulator even when that is killed outright.
TEST(LiveSnmp, SnmpsimKeepsTheSecretsAnswersOnlyTheCommunityAndEndsWithTheSimulator) {
  Variables environment = Secrets();
  environment["ERX_SSH_KEY_PASSPHRASE"] = "pp-Wm20k";
  environment["LAB_KEY_PASSPHRASE"] = "pp-Jd77r";
  environment["ERX_ANYTHING"] = "any-Ub63e";
  environment["SITE"] = "lab-one";
  SimulatedRouter router;
  ASSERT_TRUE(
      router.Start(kExample, {"--user", "admin", "--snmp-v3-user", "observer"}, environment));
  ExpectSimulatorDataPrivate();
  std::string started;
  const pid_t snmpsim = Snmpsim(router.Pid(), started);
  ASSERT_GT(snmpsim, 0);
  EXPECT_THAT(started, HasSubstr("snmpsimd"));
  EXPECT_THAT(started, HasSubstr("SITE=lab-one"));
  for (const auto& [name, value] : environment) {
    if (name == "SITE") continue;
    EXPECT_THAT(started, Not(HasSubstr(value))) << name;
    EXPECT_THAT(started, Not(HasSubstr(name + "="))) << name;
  }
  const std::string community = Secrets().at("ERX_COMMUNITY");
  std::vector<std::string> names;  // snmpsim's own names of the data
  for (const std::string& file : SnmpFileNames(router.Pid())) {
    EXPECT_THAT(file, Not(HasSubstr(community)));
    const size_t data = file.rfind(".snmprec");
    if (data != std::string::npos) names.push_back(file.substr(0, data));
  }
  EXPECT_EQ(names.size(),
            14u);  // snmp.walk and the six contexts' walks, by community and by v3 context

  SnmpSettings settings;
  settings.port = std::stoi(router.SnmpPort());
  settings.limits.timeoutMs = 300;
  settings.limits.retries = 0;
  const auto answers = [&](const std::string& given, const std::string& context) {
    settings.community = given;
    return SnmpWalker(settings).Walk(context, ".1.3.6.1.2.1.2.2.1.2").has_value();
  };
  for (const std::string context : {"", "@vr2", "@vr2:lab"}) {
    EXPECT_TRUE(answers(community, context)) << context;
    EXPECT_FALSE(answers("public", context)) << context;
    EXPECT_FALSE(answers(community + "x", context)) << context;
  }
  // Nor are snmpsim's own names a community of the router.
  for (const std::string& name : names) EXPECT_FALSE(answers(name, "")) << name;

  const DiscoverRun live = RunDiscover(
      LiveArguments(router, {"--snmp-version", "3", "--snmp-user", "observer"}), Secrets());
  ASSERT_EQ(live.status, 0) << live.err;
  EXPECT_EQ(ReportOf(live), CaptureReport(kExample));

  const std::string cacheDir = OptionOf(started, "--cache-dir=");
  ASSERT_TRUE(fs::exists(cacheDir));
  ASSERT_EQ(kill(router.Pid(), SIGKILL), 0);
  for (int tries = 0; tries < 100 && !(Ended(snmpsim) && !fs::exists(cacheDir)); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(Ended(snmpsim));
  EXPECT_FALSE(fs::exists(cacheDir));
  router.Stop();
}

TEST(LiveSnmp, AContextThatDoesNotAnswerIsAMissingWalk) {
  // The community set for default:red reaches no data on the router, so that
  // context stays silent; the capture without its walk is what that must give.
  const std::string device = kExample;
  TempFolder copy;
  fs::copy(device, copy.Path() + "/pe1-erx", fs::copy_options::recursive);
  fs::remove(copy.Path() + "/pe1-erx/snmp/default:red.walk");
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(device, {"--user", "admin"}, Secrets()));
  Variables environment = Secrets();
  environment["RED_COMMUNITY"] = "served-by-nobody";
  const DiscoverRun live =
      RunDiscover(LiveArguments(router, {"--context-community", "default:red=RED_COMMUNITY"}, "1"),
                  environment);
  ASSERT_EQ(live.status, 5) << live.err;
  EXPECT_THAT(live.err, HasSubstr("erx-discover: pe1-erx: partial: SNMP at 127.0.0.1:" +
                                  router.SnmpPort() + " did not answer in context @default:red"));
  EXPECT_EQ(HealthOf(live)["snmp"]["silentContexts"], Json::array({"@default:red"}));
  const Json withoutRed = CaptureReport(copy.Path() + "/pe1-erx");
  EXPECT_EQ(ReportOf(live), withoutRed);
  EXPECT_NE(withoutRed, CaptureReport(device));
}

}  // namespace
