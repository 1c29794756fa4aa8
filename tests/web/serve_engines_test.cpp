// `serve` on a PostgreSQL store, over HTTP, beside the same inventory run
// into an SQLite file: the test network and the shipped devices, two runs of
// each, give the same reports read back, the same `diff`, `paths` and `vpns`
// answers, and the same pages and API answers but for times and durations.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include "report/JsonReport.h"
#include "store/Store.h"
#include "tests/live/LiveHarness.h"
#include "tests/support/PostgresServer.h"

using namespace testing;
using Json = nlohmann::json;

namespace {

const std::string kSource = ERX_SOURCE_DIR;

// Two runs into `store`: the first without pe-d, the second of the whole inventory.
void RunFleetTwice(const std::string& folder, const std::string& store) {
  for (const char* inventory : {"/without-pe-d.yaml", "/web.yaml"}) {
    const DiscoverRun fleet = RunDiscover(
        {"--inventory", folder + inventory, "--store", store, "--jobs", "2", "--quiet"}, {});
    ASSERT_EQ(fleet.status, 0) << store << ": " << fleet.out << fleet.err;
  }
}

// Every device of every run, with its report as the store gives it back.
std::string ReadBack(const std::string& where) {
  std::unique_ptr<store::Store> results;
  std::string problem = store::OpenStore(where, store::Access::kRead).Into(results).message();
  if (!results) return problem;
  const Result<std::vector<store::StoredRun>> runs = results->ListRuns();
  if (!runs.ok()) return runs.message();
  std::ostringstream all;
  for (const store::StoredRun& run : runs.value()) {
    const Result<std::vector<store::StoredDevice>> devices = results->LoadDevices(run.id);
    if (!devices.ok()) return devices.message();
    for (const store::StoredDevice& device : devices.value()) {
      all << run.id << " " << device.name << " " << device.region << " " << device.status << "\n";
      report::Report found;
      if (device.hasReport) {
        Result<report::Report> loaded = results->LoadReport(device);
        if (!loaded.ok()) return loaded.message();
        found = std::move(loaded.value());
      }
      WriteJsonReport(found, all);
    }
  }
  return all.str();
}

// What a command says, its runs' start times as TIME.
std::string Said(const std::vector<std::string>& command) {
  const DiscoverRun run = RunDiscover(command, {});
  static const std::regex kTime("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}");
  return "exit " + std::to_string(run.status) + "\n" +
         std::regex_replace(run.out + run.err, kTime, "TIME");
}

// `erx-discover serve` on 127.0.0.1 while it lives.
class Served {
 public:
  explicit Served(const std::string& store) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = Spawn(ERX_RUNNER_PATH, {"serve", "--store", store, "--listen", "127.0.0.1:0"}, {},
                 out[1], STDERR_FILENO);
    close(out[1]);
    std::string line;
    pollfd ready{out[0], POLLIN, 0};
    char c = 0;
    while (line.find('\n') == std::string::npos && poll(&ready, 1, 30000) == 1 &&
           read(out[0], &c, 1) == 1) {
      line += c;
    }
    close(out[0]);
    const size_t at = line.find("127.0.0.1:");
    if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + 10);
  }
  ~Served() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    Reap(pid_, std::chrono::seconds(10));
  }
  int Port() const { return port_; }

  // Status and body of GET `url`.
  std::pair<int, std::string> Get(const std::string& url) const {
    httplib::Client client("127.0.0.1", port_);
    client.set_read_timeout(60, 0);
    const httplib::Result result = client.Get(url);
    return result ? std::make_pair(result->status, result->body)
                  : std::make_pair(-1, std::string());
  }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// An answer without what differs from one run of the fleet to the next.
Json Steady(Json answer) {
  if (answer.is_object()) {
    for (const char* changing : {"startedAt", "finishedAt", "seconds"}) answer.erase(changing);
    for (auto& [key, value] : answer.items()) value = Steady(value);
  } else if (answer.is_array()) {
    for (Json& value : answer) value = Steady(value);
  }
  return answer;
}

TEST(ServeEngines, APostgresStoreAnswersAsTheSameInventoryInSqlite) {
  PostgresServer server;
  ASSERT_TRUE(server.Started()) << server.Problem();
  const std::string postgres = server.NewDatabase("web");
  ASSERT_NE(postgres, "") << server.Problem();
  TempFolder work;
  const std::string sqlite = work.Path() + "/web.db";
  std::string devices = "defaults:\n  region: core\ndevices:\n";
  for (const char* name : {"pe-a", "p-b", "p-c"}) {
    devices += std::string("  - {name: ") + name + ", capture: " + kSource +
               "/tests/network/devices/" + name + "}\n";
  }
  devices += "  - {name: pe1-erx, region: lab, capture: " + kSource + "/devices/pe1-erx}\n" +
             "  - {name: pe2-erx, region: lab, capture: " + kSource +
             "/devices/pe2-erx-later-release}\n";
  std::ofstream(work.Path() + "/without-pe-d.yaml") << devices;
  std::ofstream(work.Path() + "/web.yaml")
      << devices << "  - {name: pe-d, capture: " << kSource << "/tests/network/devices/pe-d}\n";
  RunFleetTwice(work.Path(), sqlite);
  RunFleetTwice(work.Path(), postgres);

  const std::string reports = ReadBack(sqlite);
  EXPECT_THAT(reports, HasSubstr("2 pe1-erx lab ok\n"));
  EXPECT_THAT(reports, HasSubstr("2 pe-d core ok\n"));
  EXPECT_THAT(reports, HasSubstr("\"labelEntries\""));
  EXPECT_EQ(ReadBack(postgres), reports);
  for (const std::vector<std::string>& command : {std::vector<std::string>{"diff", "1", "2"},
                                                  {"paths"},
                                                  {"vpns"},
                                                  {"paths", "--format", "json"},
                                                  {"vpns", "--format", "json"}}) {
    std::vector<std::string> onSqlite = command, onPostgres = command;
    onSqlite.insert(onSqlite.begin() + 1, {"--store", sqlite});
    onPostgres.insert(onPostgres.begin() + 1, {"--store", postgres});
    const std::string answer = Said(onSqlite);
    EXPECT_THAT(answer, StartsWith(command[0] == "diff" ? "exit 1\n" : "exit 0\n")) << command[0];
    EXPECT_EQ(Said(onPostgres), answer) << command[0];
  }

  const Served fromSqlite(sqlite), fromPostgres(postgres);
  ASSERT_GT(fromSqlite.Port(), 0);
  ASSERT_GT(fromPostgres.Port(), 0);
  for (const char* page : {"/", "/runs/2", "/runs/2?region=lab&status=ok", "/runs/2/devices/pe-a",
                           "/runs/2/devices/pe1-erx", "/search?q=red", "/search?q=100:1",
                           "/runs/2/paths", "/runs/2/vpns", "/diff?a=1&b=2"}) {
    const auto [pageStatus, html] = fromPostgres.Get(page);
    EXPECT_EQ(pageStatus, 200) << page;
    EXPECT_THAT(html, HasSubstr("</html>")) << page;
    const auto [status, body] = fromPostgres.Get(std::string("/api") + page);
    ASSERT_EQ(status, 200) << page << ": " << body;
    const Json answer = Json::parse(body, nullptr, false);
    ASSERT_FALSE(answer.is_discarded()) << page;
    EXPECT_EQ(Steady(answer), Steady(Json::parse(fromSqlite.Get(std::string("/api") + page).second,
                                                 nullptr, false)))
        << page;
  }
  EXPECT_EQ(fromPostgres.Get("/runs/9").first, 404);
}

}  // namespace
