// What the network tests share: the shipped devices, the secrets the
// simulated routers and erx-discover are given, and reports read back.
#ifndef TESTS_LIVE_LIVEREPORTS_H_
#define TESTS_LIVE_LIVEREPORTS_H_

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/live/LiveHarness.h"

using Json = nlohmann::ordered_json;

const std::string kDevices = std::string(ERX_SOURCE_DIR) + "/devices/";
const std::string kExample = kDevices + "pe1-erx";

// How often `what` stands in `text` (overlaps included).
inline int Count(const std::string& text, const std::string& what) {
  int count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// Distinct values, so that a test can look for each in every output.
inline const Variables& Secrets() {
  static const Variables secrets = {{"ERX_PASSWORD", "pw-Tq81x"},
                                    {"ERX_ENABLE_PASSWORD", "en-Zk27y"},
                                    {"ERX_COMMUNITY", "cm-Rv55z"},
                                    {"ERX_SNMP_AUTH_KEY", "auth-Lp903q"},
                                    {"ERX_SNMP_PRIV_KEY", "priv-Hx414w"}};
  return secrets;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every value of `secrets` is absent from `text`.
inline void ExpectNoSecretIn(const std::string& text, const std::string& where,
                             const Variables& secrets = Secrets()) {
  for (const auto& secret : secrets) {
    EXPECT_EQ(text.find(secret.second), std::string::npos) << secret.first << " in " << where;
  }
}

// ... nor from any file under `folder`.
inline void ExpectNoSecretInFiles(const std::string& folder, const Variables& secrets = Secrets()) {
  for (const auto& file : std::filesystem::recursive_directory_iterator(folder)) {
    if (file.is_regular_file()) ExpectNoSecretIn(ReadFile(file.path()), file.path(), secrets);
  }
}

// What was found, without what answered: a live router and its capture are
// reached at different places.
inline Json Found(Json report) {
  if (report.is_object()) report.erase("health");
  return report;
}

// erx-discover's JSON report of a captured device (found, or partly found).
inline Json CaptureReport(const std::string& dir) {
  const DiscoverRun run = RunDiscover({"--capture", dir, "--format", "json"}, {});
  return run.status == 0 || run.status == 5 ? Found(Json::parse(run.out, nullptr, false)) : Json();
}

// erx-discover's arguments for `router`, then `extra`.
inline std::vector<std::string> LiveArguments(const SimulatedRouter& router,
                                              const std::vector<std::string>& extra = {},
                                              const std::string& timeout = "2") {
  std::vector<std::string> arguments = {
      "--host",          "127.0.0.1", "--telnet-port", router.TelnetPort(), "--snmp-port",
      router.SnmpPort(), "--user",    "admin",         "--timeout",         timeout,
      "--format",        "json",      "--quiet"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return arguments;
}

inline Json ReportOf(const DiscoverRun& run) { return Found(Json::parse(run.out, nullptr, false)); }
inline Json HealthOf(const DiscoverRun& run) {
  const Json report = Json::parse(run.out, nullptr, false);
  return report.is_object() ? report.value("health", Json()) : Json();
}

#endif  // TESTS_LIVE_LIVEREPORTS_H_
