// Live discovery over SSH, against erx-simulator's SSH service: the same
// reports as over Telnet, host keys checked as OpenSSH checks them, routers
// that speak only older algorithms, and OpenSSH's own client as a peer.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/SshLive.h"
#include "transports/CliSession.h"
#include "transports/SshStream.h"

namespace fs = std::filesystem;
using namespace testing;

namespace {

// An unknown host key is refused, then accepted once when asked and known
// after; the report and the capture saved over SSH are the capture's. (The
// later release differs in what the host reads, not in how it is reached:
// Telnet's test covers it.)
TEST(ExampleDeviceOverSsh, UnknownKeyRefusedThenAcceptedOnceAndTheReportEqualsTheCapture) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kExample));
  const DiscoverRun unknown = RunDiscover(router.Arguments(), Secrets());
  EXPECT_EQ(unknown.status, 3);
  EXPECT_THAT(unknown.err, HasSubstr("ssh-ed25519 SHA256:"));
  EXPECT_THAT(unknown.err, HasSubstr("--accept-new-host-key"));
  EXPECT_FALSE(fs::exists(router.KnownHosts()));

  TempFolder saved;
  const std::string capture = saved.Path() + "/capture";
  const DiscoverRun live = RunDiscover(
      router.Arguments({"--accept-new-host-key", "--save-capture", capture}), Secrets());
  ASSERT_EQ(live.status, 0) << live.err;
  const Json expected = CaptureReport(kExample);
  EXPECT_EQ(ReportOf(live), expected);
  EXPECT_EQ(ReportOf(RunDiscover({"--capture", capture, "--format", "json"}, {})), expected);
  const DiscoverRun found =
      Shell("ssh-keygen -F '" + router.Entry() + "' -f " + router.KnownHosts(), {});
  EXPECT_EQ(found.status, 0);
  EXPECT_THAT(found.out, HasSubstr("ssh-ed25519"));

  const DiscoverRun known = RunDiscover(router.Arguments(), Secrets());
  EXPECT_EQ(known.status, 0) << known.err;
  EXPECT_EQ(ReportOf(known), expected);

  ExpectNoSecretIn(live.out + live.err, "erx-discover's output");
  ExpectNoSecretIn(ReadFile(router.KnownHosts()), "the known-hosts file");
  ExpectNoSecretInFiles(capture);
}

// Files edited by hand or by OpenSSH's tools are read as OpenSSH reads them: a
// last line without end of line, hashed entries, a changed or revoked key
// refused even with --accept-new-host-key and the file left as it was, a
// certificate authority's line that is no host's key, CRLF line ends.
TEST(SshHostKeys, EditedFilesAreReadAsOpenSshReadsThem) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kExample));
  TempFolder other;
  ASSERT_EQ(Shell("ssh-keygen -q -t ed25519 -N '' -f " + other.Path() + "/key", {}).status, 0);
  const DiscoverRun publicKey = Shell("ssh-keygen -y -f " + router.HostKey(), {});
  ASSERT_EQ(publicKey.status, 0) << publicKey.err;
  std::string otherKey = other.Read("key.pub"), key = publicKey.out;
  for (std::string* text : {&otherKey, &key}) {
    while (!text->empty() && text->back() == '\n') text->pop_back();
  }
  const auto discover = [&](const std::string& knownHosts, bool acceptNew) {
    std::ofstream(router.KnownHosts(), std::ios::binary) << knownHosts;
    std::vector<std::string> extra;
    if (acceptNew) extra.push_back("--accept-new-host-key");
    return RunDiscover(router.Arguments(extra), Secrets());
  };
  const auto listed = [&](const std::string& host) {
    return Shell("ssh-keygen -F '" + host + "' -f " + router.KnownHosts(), {}).status == 0;
  };

  ASSERT_EQ(discover("other.example " + otherKey, true).status, 0);
  EXPECT_TRUE(listed("other.example"));
  EXPECT_TRUE(listed(router.Entry()));
  ASSERT_EQ(Shell("ssh-keygen -H -f " + router.KnownHosts(), {}).status, 0);
  ASSERT_THAT(ReadFile(router.KnownHosts()), StartsWith("|1|"));
  EXPECT_EQ(RunDiscover(router.Arguments(), Secrets()).status, 0);

  struct Refused {
    std::string knownHosts, said;
  };
  for (const Refused& refused : std::vector<Refused>{
           {router.Entry() + " " + otherKey + "\n", "HAS CHANGED"},
           {"@revoked " + router.Entry() + " " + key + "\n", "REVOKED HOST KEY DETECTED"}}) {
    const DiscoverRun run = discover(refused.knownHosts, true);
    EXPECT_EQ(run.status, 3) << refused.said;
    EXPECT_THAT(run.err, HasSubstr(refused.said));
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile(router.KnownHosts()), refused.knownHosts);
  }
  const DiscoverRun authority =
      discover("@cert-authority " + router.Entry() + " " + key + "\n", false);
  EXPECT_EQ(authority.status, 3);
  EXPECT_THAT(authority.err, HasSubstr("does not know"));
  const std::string crlf = "# edited elsewhere\r\n" + router.Entry() + " " + key + "\r\n";
  EXPECT_EQ(discover(crlf, false).status, 0);
  EXPECT_EQ(ReadFile(router.KnownHosts()), crlf);
}

// The router drops the connection during one command and shows another host
// key when discovery connects again: nothing more is sent, no report or
// capture is kept, and it ends as a changed key does at the first connection.
TEST(SshHostKeys, AKeyThatChangesOnReconnectionEndsTheDevice) {
  SshRouter router;
  ASSERT_TRUE(
      router.Start(kExample, {"--fault", "drop-on=show ip vrf", "--fault", "new-host-key"}));
  TempFolder saved;
  const DiscoverRun run = RunDiscover(
      router.Arguments({"--accept-new-host-key", "--save-capture", saved.Path() + "/capture"}),
      Secrets());
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_THAT(run.err,
              HasSubstr("the host key of 127.0.0.1:" + router.Router().SshPort() + " HAS CHANGED"));
  EXPECT_THAT(run.err, Not(HasSubstr("partial")));
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(fs::exists(saved.Path() + "/capture"));
  const std::string recorded = ReadFile(router.KnownHosts());
  EXPECT_EQ(Count(recorded, "\n"), 1) << recorded;
}

TEST(SshHostKeys, ParallelSessionsRecordEveryKeyOnce) {
  const size_t kRouters = 6;
  std::vector<std::unique_ptr<SshRouter>> routers;
  for (size_t i = 0; i < kRouters; ++i) {
    routers.push_back(std::make_unique<SshRouter>());
    ASSERT_TRUE(routers.back()->Start(kExample, {}, false));
  }
  TempFolder folder;
  const std::string knownHosts = folder.Path() + "/known_hosts";
  std::vector<std::thread> sessions;
  sessions.reserve(kRouters * 2);
  std::vector<int> opened(kRouters * 2, 0);
  for (size_t i = 0; i < kRouters * 2; ++i) {
    sessions.emplace_back([&, i] {
      SshSettings ssh;
      ssh.address = "127.0.0.1";
      ssh.port = std::stoi(routers[i % kRouters]->Router().SshPort());
      ssh.user = "admin";
      ssh.password = Secrets().at("ERX_PASSWORD");
      ssh.knownHostsFile = knownHosts;
      ssh.acceptNewHostKey = true;
      CliLogin login{"admin", ssh.password, Secrets().at("ERX_ENABLE_PASSWORD")};
      CliSession session(std::make_unique<SshStream>(ssh), login, 10000);
      opened[i] = session.Open().ok();
    });
  }
  for (std::thread& session : sessions) session.join();
  EXPECT_THAT(opened, Each(1));
  const std::string text = ReadFile(knownHosts);
  EXPECT_EQ(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')), kRouters) << text;
  for (const auto& router : routers)
    EXPECT_THAT(text, HasSubstr(router->Entry() + " ssh-ed25519 "));
}

TEST(SshOldRouter, OlderKeyExchangeOnlyWithTheOptIn) {
  SshRouter router;
  ASSERT_TRUE(
      router.Start(kExample, {"--ssh-option", "KexAlgorithms=diffie-hellman-group14-sha1"}));

  // The simulator's libssh, when the client's offer reaches it before it has
  // sent its own, gives up without sending it; a router sends its offer first.
  // So a refusal that could not name the offer is tried again, a few times.
  DiscoverRun refused;
  for (int attempt = 0; attempt < 4; ++attempt) {
    refused = RunDiscover(router.Arguments({"--accept-new-host-key"}), Secrets());
    if (refused.err.find("offers only") != std::string::npos) break;
  }
  EXPECT_EQ(refused.status, 3);
  EXPECT_THAT(refused.err, HasSubstr("diffie-hellman-group14-sha1"));
  EXPECT_THAT(refused.err, HasSubstr("--ssh-option KexAlgorithms=+diffie-hellman-group14-sha1"));

  const DiscoverRun allowed =
      RunDiscover(router.Arguments({"--accept-new-host-key", "--ssh-option",
                                    "KexAlgorithms=+diffie-hellman-group14-sha1"}),
                  Secrets());
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_EQ(ReportOf(allowed), CaptureReport(kExample));
}

// Silence and a dropped connection during the login are no refusal.
TEST(SshLogin, ARouterThatGoesQuietOrDropsDuringTheLoginDidNotRefuseIt) {
  const std::vector<std::pair<std::string, std::string>> faults = {
      {"hang-on=login", ":[0-9]+ did not answer the login of user admin within 2 s"},
      {"drop-on=login", ":[0-9]+ closed the connection during the login of user admin"}};
  for (const auto& [fault, said] : faults) {
    SshRouter router;
    ASSERT_TRUE(router.Start(kExample, {"--fault", fault}));
    const DiscoverRun run =
        RunDiscover(LiveArguments(router.Router(),
                                  {"--ssh", "--ssh-port", router.Router().SshPort(),
                                   "--known-hosts", router.KnownHosts(), "--accept-new-host-key"},
                                  "2"),
                    Secrets());
    EXPECT_EQ(run.status, 3) << fault;
    EXPECT_THAT(run.err, ContainsRegex(said)) << fault;
    EXPECT_THAT(run.err, Not(HasSubstr("refused"))) << fault;
  }
}

}  // namespace
