// The simulator's snmpsim runs without any of our secrets in its environment.
#include <dirent.h>

#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/LiveReports.h"

using namespace testing;

namespace {

// The environments of the processes whose parent is `parent`, one string each
// with NUL between the variables.
std::vector<std::string> ChildEnvironments(pid_t parent) {
  std::vector<std::string> found;
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  while (const dirent* entry = readdir(proc)) {
    const std::string pid = entry->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    bool child = false;
    while (std::getline(status, line)) {
      if (line.rfind("PPid:", 0) == 0) child = std::stol(line.substr(5)) == parent;
    }
    if (!child) continue;
    std::ifstream environ("/proc/" + pid + "/environ", std::ios::binary);
    std::ostringstream text;
    text << environ.rdbuf();
    found.push_back(text.str());
  }
  closedir(proc);
  return found;
}

TEST(SimulatorEnvironment, SnmpsimGetsNoSecretVariable) {
  Variables environment = Secrets();
  environment["ERX_SSH_KEY_PASSPHRASE"] = "pp-Wm20k";
  environment["LAB_KEY_PASSPHRASE"] = "pp-Jd77r";
  environment["ERX_ANYTHING"] = "any-Ub63e";
  environment["SITE"] = "lab-one";
  SimulatedRouter router;
  ASSERT_TRUE(router.Start(kExample, {"--user", "admin"}, environment));
  const std::vector<std::string> children = ChildEnvironments(router.Pid());
  // snmpsim, with our ordinary variables, and its watchdog, with none.
  ASSERT_THAT(children, Contains(HasSubstr("SITE=lab-one")));
  for (const std::string& variables : children) {
    for (const auto& secret : environment) {
      if (secret.first == "SITE") continue;
      EXPECT_THAT(variables, Not(HasSubstr(secret.second))) << secret.first;
      EXPECT_THAT(variables, Not(HasSubstr(secret.first + "="))) << secret.first;
    }
  }
}

}  // namespace
