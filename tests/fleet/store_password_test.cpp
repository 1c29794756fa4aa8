// A PostgreSQL store that wants a password (over TCP) gets it from a secrets
// file: the inventory's defaults: secrets_file for a fleet run, --secrets-file
// for the commands that read a store; libpq's own PGPASSFILE still works, and
// the password shows nowhere.
#include <sys/stat.h>

#include <fstream>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/LiveReports.h"
#include "tests/support/PostgresServer.h"

using namespace testing;

namespace {

std::string Private(const std::string& path, const std::string& text, mode_t mode = 0600) {
  std::ofstream(path) << text;
  chmod(path.c_str(), mode);
  return path;
}

TEST(StorePassword, ComesFromTheSecretsFileOrLibpqsOwnWaysAndShowsNowhere) {
  PostgresServer server(PostgresServer::kPasswordOverTcp);
  ASSERT_TRUE(server.Started()) << server.Problem();
  ASSERT_NE(server.NewDatabase("fleet"), "") << server.Problem();
  const std::string url = server.TcpUrl("fleet");
  const std::string password = PostgresServer::PasswordOf();
  TempFolder work;
  const std::string secrets = Private(work.Path() + "/secrets", "PGPASSWORD=" + password + "\n");
  const std::string inventory = work.Path() + "/fleet.yaml";
  std::ofstream(inventory) << "defaults:\n  secrets_file: " << secrets << "\ndevices:\n"
                           << "  - {name: pe1, capture: " << kExample << "}\n";

  const DiscoverRun fleet = RunDiscover({"--inventory", inventory, "--store", url, "--quiet"}, {});
  EXPECT_EQ(fleet.status, 0) << fleet.out << fleet.err;
  const DiscoverRun vpns = RunDiscover({"vpns", "--store", url, "--secrets-file", secrets}, {});
  EXPECT_EQ(vpns.status, 0) << vpns.err;
  EXPECT_THAT(vpns.out, HasSubstr("pe1"));

  const DiscoverRun without = RunDiscover({"paths", "--store", url}, {});
  EXPECT_NE(without.status, 0);
  EXPECT_THAT(without.err, HasSubstr("password"));
  const std::string open = Private(work.Path() + "/open", "PGPASSWORD=" + password + "\n", 0644);
  const DiscoverRun shared = RunDiscover({"diff", "--store", url, "--secrets-file", open}, {});
  EXPECT_NE(shared.status, 0);
  EXPECT_THAT(shared.err, HasSubstr("may be read by other users"));

  const std::string pgpass =
      Private(work.Path() + "/pgpass", "127.0.0.1:*:*:erx:" + password + "\n");
  const DiscoverRun libpq = RunDiscover({"paths", "--store", url}, {{"PGPASSFILE", pgpass}});
  EXPECT_EQ(libpq.status, 0) << libpq.err;

  for (const DiscoverRun* run : {&fleet, &vpns, &without, &shared, &libpq}) {
    EXPECT_THAT(run->out + run->err, Not(HasSubstr(password)));
  }
}

}  // namespace
