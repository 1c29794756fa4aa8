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

class ShippedDeviceOverSsh : public TestWithParam<std::string> {};

TEST_P(ShippedDeviceOverSsh, LiveReportAndSavedCaptureEqualTheCapture) {
  const std::string device = kDevices + GetParam();
  SshRouter router;
  ASSERT_TRUE(router.Start(device));
  TempFolder saved;
  const std::string capture = saved.Path() + "/capture";
  const DiscoverRun live = RunDiscover(
      router.Arguments({"--accept-new-host-key", "--save-capture", capture}), Secrets());
  ASSERT_EQ(live.status, 0) << live.err;

  const Json expected = CaptureReport(device);
  EXPECT_EQ(ReportOf(live), expected);
  const DiscoverRun replay = RunDiscover({"--capture", capture, "--format", "json"}, {});
  EXPECT_EQ(ReportOf(replay), expected);

  ExpectNoSecretIn(live.out + live.err, "erx-discover's output");
  ExpectNoSecretIn(ReadFile(router.KnownHosts()), "the known-hosts file");
  for (const auto& entry : fs::recursive_directory_iterator(capture)) {
    if (entry.is_regular_file()) ExpectNoSecretIn(ReadFile(entry.path()), entry.path());
  }
}

INSTANTIATE_TEST_SUITE_P(Devices, ShippedDeviceOverSsh, Values("pe1-erx", "pe2-erx-later-release"),
                         [](const TestParamInfo<std::string>& device) {
                           std::string name = device.param;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST(SshHostKeys, UnknownIsRefusedThenAcceptedOnceAndKnownAfter) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kDevices + "pe1-erx"));

  const DiscoverRun unknown = RunDiscover(router.Arguments(), Secrets());
  EXPECT_EQ(unknown.status, 3);
  EXPECT_THAT(unknown.err, HasSubstr("ssh-ed25519 SHA256:"));
  EXPECT_THAT(unknown.err, HasSubstr("--accept-new-host-key"));
  EXPECT_FALSE(fs::exists(router.KnownHosts()));

  const DiscoverRun accepted = RunDiscover(router.Arguments({"--accept-new-host-key"}), Secrets());
  ASSERT_EQ(accepted.status, 0) << accepted.err;
  const DiscoverRun found =
      Shell("ssh-keygen -F '" + router.Entry() + "' -f " + router.KnownHosts(), {});
  EXPECT_EQ(found.status, 0);
  EXPECT_THAT(found.out, HasSubstr("ssh-ed25519"));

  const DiscoverRun known = RunDiscover(router.Arguments(), Secrets());
  EXPECT_EQ(known.status, 0) << known.err;
  EXPECT_EQ(ReportOf(known), ReportOf(accepted));
}

TEST(SshHostKeys, ARecordedKeyIsNeverGluedToALastLineWithoutEndOfLine) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kDevices + "pe1-erx"));
  TempFolder keys;
  ASSERT_EQ(Shell("ssh-keygen -q -t ed25519 -N '' -f " + keys.Path() + "/other", {}).status, 0);
  std::string other = "other.example " + keys.Read("other.pub");
  while (!other.empty() && other.back() == '\n') other.pop_back();
  std::ofstream(router.KnownHosts(), std::ios::binary) << other;  // edited by hand: no end of line

  ASSERT_EQ(RunDiscover(router.Arguments({"--accept-new-host-key"}), Secrets()).status, 0);
  EXPECT_EQ(Shell("ssh-keygen -F other.example -f " + router.KnownHosts(), {}).status, 0);
  EXPECT_EQ(Shell("ssh-keygen -F '" + router.Entry() + "' -f " + router.KnownHosts(), {}).status,
            0);
}

TEST(SshHostKeys, HashedEntriesAreKnownToo) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kDevices + "pe1-erx"));
  ASSERT_EQ(RunDiscover(router.Arguments({"--accept-new-host-key"}), Secrets()).status, 0);
  ASSERT_EQ(Shell("ssh-keygen -H -f " + router.KnownHosts(), {}).status, 0);
  ASSERT_THAT(ReadFile(router.KnownHosts()), StartsWith("|1|"));
  EXPECT_EQ(RunDiscover(router.Arguments(), Secrets()).status, 0);
}

TEST(SshHostKeys, AChangedKeyIsRefusedEvenWithAcceptNewAndNeverReplaced) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kDevices + "pe1-erx"));
  TempFolder other;
  ASSERT_EQ(Shell("ssh-keygen -q -t ed25519 -N '' -f " + other.Path() + "/key", {}).status, 0);
  const std::string recorded = router.Entry() + " " + other.Read("key.pub");
  std::ofstream(router.KnownHosts()) << recorded;

  const DiscoverRun changed = RunDiscover(router.Arguments({"--accept-new-host-key"}), Secrets());
  EXPECT_EQ(changed.status, 3);
  EXPECT_THAT(changed.err, HasSubstr("HAS CHANGED"));
  EXPECT_THAT(changed.err, HasSubstr("SHA256:"));
  EXPECT_EQ(changed.out, "");
  EXPECT_EQ(ReadFile(router.KnownHosts()), recorded);
}

// OpenSSH's markers and line ends: a revoked key is refused and never
// recorded, a certificate authority's line is no host's key, a CRLF line is read.
TEST(SshHostKeys, RevokedAndAuthorityLinesAndCrlfAreReadAsOpenSshReadsThem) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kDevices + "pe1-erx"));
  const DiscoverRun publicKey = Shell("ssh-keygen -y -f " + router.HostKey(), {});
  ASSERT_EQ(publicKey.status, 0) << publicKey.err;
  std::string key = publicKey.out;
  while (!key.empty() && key.back() == '\n') key.pop_back();

  const std::string revoked = "@revoked " + router.Entry() + " " + key + "\n";
  std::ofstream(router.KnownHosts(), std::ios::binary) << revoked;
  const DiscoverRun refused = RunDiscover(router.Arguments({"--accept-new-host-key"}), Secrets());
  EXPECT_EQ(refused.status, 3);
  EXPECT_THAT(refused.err, HasSubstr("REVOKED HOST KEY DETECTED"));
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(ReadFile(router.KnownHosts()), revoked);

  std::ofstream(router.KnownHosts(), std::ios::binary)
      << "@cert-authority " << router.Entry() << " " << key << "\n";
  const DiscoverRun unknown = RunDiscover(router.Arguments(), Secrets());
  EXPECT_EQ(unknown.status, 3);
  EXPECT_THAT(unknown.err, HasSubstr("does not know"));

  const std::string crlf = "# edited elsewhere\r\n" + router.Entry() + " " + key + "\r\n";
  std::ofstream(router.KnownHosts(), std::ios::binary) << crlf;
  const DiscoverRun known = RunDiscover(router.Arguments(), Secrets());
  EXPECT_EQ(known.status, 0) << known.err;
  EXPECT_EQ(ReadFile(router.KnownHosts()), crlf);
}

// The router drops the connection during one command and shows another host
// key when discovery connects again: nothing more is sent, no report or
// capture is kept, and it ends as a changed key does at the first connection.
TEST(SshHostKeys, AKeyThatChangesOnReconnectionEndsTheDevice) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kDevices + "pe1-erx",
                           {"--fault", "drop-on=show ip vrf", "--fault", "new-host-key"}));
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

  // In a fleet the device is failed with the same sentence.
  SshRouter swapped;
  ASSERT_TRUE(swapped.Start(kDevices + "pe1-erx",
                            {"--fault", "drop-on=show ip vrf", "--fault", "new-host-key"}));
  TempFolder folder;
  const std::string inventory = folder.Path() + "/fleet.yaml";
  std::ofstream(inventory) << "defaults:\n  user: admin\n  timeout: 10\n  known_hosts: "
                           << swapped.KnownHosts() << "\n  accept_new_host_key: true\n"
                           << "devices:\n  - name: swapped\n    host: 127.0.0.1\n"
                           << "    transport: ssh\n    ssh_port: " << swapped.Router().SshPort()
                           << "\n    snmp_port: " << swapped.Router().SnmpPort() << "\n";
  const DiscoverRun fleet =
      RunDiscover({"--inventory", inventory, "--jobs", "1", "--quiet"}, Secrets());
  EXPECT_EQ(fleet.status, 4) << fleet.err;
  EXPECT_THAT(fleet.out, ContainsRegex("swapped +failed .*HAS CHANGED"));
}

TEST(SshHostKeys, ParallelSessionsRecordEveryKeyOnce) {
  const int kRouters = 6;
  std::vector<std::unique_ptr<SshRouter>> routers;
  for (int i = 0; i < kRouters; ++i) {
    routers.push_back(std::make_unique<SshRouter>());
    ASSERT_TRUE(routers.back()->Start(kDevices + "pe1-erx", {}, false));
  }
  TempFolder folder;
  const std::string knownHosts = folder.Path() + "/known_hosts";
  std::vector<std::thread> sessions;
  std::vector<int> opened(kRouters * 2, 0);
  for (int i = 0; i < kRouters * 2; ++i) {
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
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), kRouters) << text;
  for (const auto& router : routers)
    EXPECT_THAT(text, HasSubstr(router->Entry() + " ssh-ed25519 "));
}

TEST(SshOldRouter, OlderKeyExchangeOnlyWithTheOptIn) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kDevices + "pe1-erx",
                           {"--ssh-option", "KexAlgorithms=diffie-hellman-group14-sha1"}));

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
  EXPECT_EQ(ReportOf(allowed), CaptureReport(kDevices + "pe1-erx"));
}

TEST(SshLogin, AWrongPasswordIsARefusedLogin) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kDevices + "pe1-erx"));
  Variables wrong = Secrets();
  wrong["ERX_PASSWORD"] = "not-the-password";
  const DiscoverRun run = RunDiscover(router.Arguments({"--accept-new-host-key"}), wrong);
  EXPECT_EQ(run.status, 3);
  EXPECT_THAT(run.err, HasSubstr("refused the login of user admin"));
  EXPECT_EQ(run.err.find("not-the-password"), std::string::npos);
}

// Silence and a dropped connection during the login are no refusal.
TEST(SshLogin, ARouterThatGoesQuietOrDropsDuringTheLoginDidNotRefuseIt) {
  const std::vector<std::pair<std::string, std::string>> faults = {
      {"hang-on=login", ":[0-9]+ did not answer the login of user admin within 2 s"},
      {"drop-on=login", ":[0-9]+ closed the connection during the login of user admin"}};
  for (const auto& [fault, said] : faults) {
    SshRouter router;
    ASSERT_TRUE(router.Start(kDevices + "pe1-erx", {"--fault", fault}));
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

TEST(SshLogin, OpenSshClientLogsInToTheSimulator) {
  SshRouter router;
  ASSERT_TRUE(router.Start(kDevices + "pe1-erx", {}, false));
  TempFolder home;
  const std::string askpass = home.Path() + "/askpass";
  std::ofstream(askpass) << "#!/bin/sh\necho \"$ERX_PASSWORD\"\n";
  fs::permissions(askpass, fs::perms::owner_all);
  Variables environment = {{"HOME", home.Path()},
                           {"SSH_ASKPASS", askpass},
                           {"SSH_ASKPASS_REQUIRE", "force"},
                           {"DISPLAY", "none"},
                           {"ERX_PASSWORD", Secrets().at("ERX_PASSWORD")}};
  const DiscoverRun run =
      Shell("printf 'show ip vrf\\nexit\\n' | ssh -T -p " + router.Router().SshPort() +
                " -o UserKnownHostsFile=" + router.KnownHosts() +
                " -o StrictHostKeyChecking=accept-new -o BatchMode=no -o NumberOfPasswordPrompts=1"
                " admin@127.0.0.1",
            environment);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("pe1-erx>"));
  EXPECT_THAT(run.out, HasSubstr("red"));  // a VRF of the capture's "show ip vrf"
}

TEST(SshFleet, SshAndTelnetDevicesInOneInventory) {
  SshRouter overSsh;
  ASSERT_TRUE(overSsh.Start(kDevices + "pe1-erx"));
  SimulatedRouter overTelnet;
  ASSERT_TRUE(overTelnet.Start(kDevices + "pe2-erx-later-release", {"--user", "admin"}, Secrets()));
  TempFolder folder;
  const std::string inventory = folder.Path() + "/fleet.yaml";
  std::ofstream(inventory)
      << "defaults:\n  user: admin\n  timeout: 10\n  known_hosts: " << overSsh.KnownHosts()
      << "\n  accept_new_host_key: true\ndevices:\n"
      << "  - name: by-ssh\n    host: 127.0.0.1\n    transport: ssh\n    ssh_port: "
      << overSsh.Router().SshPort() << "\n    snmp_port: " << overSsh.Router().SnmpPort() << "\n"
      << "  - name: by-telnet\n    host: 127.0.0.1\n    telnet_port: " << overTelnet.TelnetPort()
      << "\n    snmp_port: " << overTelnet.SnmpPort() << "\n";
  const DiscoverRun fleet = RunDiscover(
      {"--inventory", inventory, "--jobs", "2", "--output-dir", folder.Path() + "/reports"},
      Secrets());
  EXPECT_EQ(fleet.status, 0) << fleet.out << fleet.err;
  EXPECT_EQ(Found(Json::parse(folder.Read("reports/by-ssh.json"), nullptr, false)),
            CaptureReport(kDevices + "pe1-erx"));
  EXPECT_EQ(Found(Json::parse(folder.Read("reports/by-telnet.json"), nullptr, false)),
            CaptureReport(kDevices + "pe2-erx-later-release"));
  ExpectNoSecretIn(fleet.out + fleet.err, "the fleet's output");
}

}  // namespace
