// Logging in to a router over SSH with a private key (ssh-keygen's Ed25519
// keys), against erx-simulator's authorized_keys: the CLI comes up without a
// password, "enable" still asks its own, and a key the router does not know
// falls back to the password.
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/SshLive.h"

namespace fs = std::filesystem;
using namespace testing;

namespace {

const char kPassphrase[] = "pp-Wm63v";

// Keys made by ssh-keygen: "plain" without a passphrase, "locked" with
// kPassphrase (given through SSH_ASKPASS, never on a command line), and
// "stranger", which no router knows. The router trusts plain and locked.
class KeyLogin : public Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Shell("ssh-keygen -q -t ed25519 -N '' -C plain -f " + Key("plain"), {}).status, 0);
    ASSERT_EQ(Shell("ssh-keygen -q -t ed25519 -N '' -C stranger -f " + Key("stranger"), {}).status,
              0);
    const std::string askpass = Key("askpass");
    keys_.Write("askpass", "#!/bin/sh\necho \"$ERX_SSH_KEY_PASSPHRASE\"\n");
    fs::permissions(askpass, fs::perms::owner_all);
    const DiscoverRun locked = Shell("ssh-keygen -q -t ed25519 -C locked -f " + Key("locked"),
                                     {{"SSH_ASKPASS", askpass},
                                      {"SSH_ASKPASS_REQUIRE", "force"},
                                      {"DISPLAY", "none"},
                                      {"ERX_SSH_KEY_PASSPHRASE", kPassphrase}});
    ASSERT_EQ(locked.status, 0) << locked.err;
    ASSERT_THAT(ReadFile(Key("locked")), Not(IsEmpty()));

    // As an operator writes it: a comment, a blank line, options before keys.
    keys_.Write("authorized_keys", "# who may log in\n\nfrom=\"127.0.0.1\",no-port-forwarding " +
                                       keys_.Read("plain.pub") + "environment=\"SITE=lab one\" " +
                                       keys_.Read("locked.pub"));
    ASSERT_TRUE(router_.Start(kExample, {"--ssh-authorized-keys", Key("authorized_keys")}));
  }

  std::string Key(const std::string& name) const { return keys_.Path() + "/" + name; }

  // erx-discover against the router with `key`, accepting its host key.
  DiscoverRun Discover(const std::string& key, const Variables& environment) {
    return RunDiscover(router_.Arguments({"--accept-new-host-key", "--ssh-identity", Key(key)}),
                       environment);
  }

  // The secrets, with a login password the router refuses: only a key gets in.
  static Variables KeyOnly() {
    Variables environment = Secrets();
    environment["ERX_PASSWORD"] = "not-the-password";
    return environment;
  }

  TempFolder keys_;
  SshRouter router_;
};

// The capture saved over SSH is tested with a password (ssh_discovery_test).
TEST_F(KeyLogin, AKeyLogsInWithoutAPasswordAndAWrongPassphraseIsNamedNotShown) {
  const DiscoverRun plain = Discover("plain", KeyOnly());
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(ReportOf(plain), CaptureReport(kExample));
  ExpectNoSecretIn(plain.out + plain.err, "erx-discover's output", KeyOnly());
  ExpectNoSecretIn(ReadFile(router_.KnownHosts()), "the known-hosts file", KeyOnly());

  Variables environment = KeyOnly();
  environment["ERX_SSH_KEY_PASSPHRASE"] = kPassphrase;
  const DiscoverRun unlocked = Discover("locked", environment);
  ASSERT_EQ(unlocked.status, 0) << unlocked.err;
  EXPECT_EQ(ReportOf(unlocked), ReportOf(plain));
  ExpectNoSecretIn(unlocked.out + unlocked.err, "erx-discover's output", environment);

  environment["ERX_SSH_KEY_PASSPHRASE"] = "pp-wrong-Qd18";
  const DiscoverRun wrong = Discover("locked", environment);
  EXPECT_EQ(wrong.status, 3);
  EXPECT_EQ(wrong.out, "");
  EXPECT_THAT(wrong.err, HasSubstr("cannot read the private key " + Key("locked")));
  EXPECT_THAT(wrong.err, HasSubstr("passphrase is wrong"));
  ExpectNoSecretIn(wrong.err, "erx-discover's output", environment);
  EXPECT_THAT(wrong.err, Not(HasSubstr(kPassphrase)));
}

// A key the router does not know falls back to the password; a key it knows
// still leaves "enable" to its own password.
TEST_F(KeyLogin, AnUnknownKeyFallsBackToThePasswordAndEnableStillAsksItsOwn) {
  const DiscoverRun withPassword = Discover("stranger", Secrets());
  ASSERT_EQ(withPassword.status, 0) << withPassword.err;
  EXPECT_EQ(ReportOf(withPassword), CaptureReport(kExample));

  const DiscoverRun refused = Discover("stranger", KeyOnly());
  EXPECT_EQ(refused.status, 3);
  EXPECT_THAT(refused.err, HasSubstr("refused the login of user admin"));
  ExpectNoSecretIn(refused.out + refused.err, "erx-discover's output", KeyOnly());

  Variables wrongEnable = KeyOnly();
  wrongEnable["ERX_ENABLE_PASSWORD"] = "not-the-enable-password";
  const DiscoverRun notEnabled = Discover("plain", wrongEnable);
  EXPECT_EQ(notEnabled.status, 3);
  EXPECT_THAT(notEnabled.err, HasSubstr("refused \"enable\""));
  EXPECT_THAT(notEnabled.err, Not(HasSubstr("not-the-enable-password")));
}

// OpenSSH asks whether the router would take a key before it signs with it.
TEST_F(KeyLogin, OpenSshClientLogsInWithAKeyAndNoPassword) {
  TempFolder home;
  const DiscoverRun run =
      Shell("printf 'show ip vrf\\nexit\\n' | ssh -T -p " + router_.Router().SshPort() +
                " -o UserKnownHostsFile=" + router_.KnownHosts() +
                " -o StrictHostKeyChecking=accept-new -o BatchMode=yes -o IdentitiesOnly=yes -i " +
                Key("plain") + " admin@127.0.0.1",
            {{"HOME", home.Path()}});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("pe1-erx>"));
  EXPECT_THAT(run.out, HasSubstr("red"));  // a VRF of the capture's "show ip vrf"
}

TEST_F(KeyLogin, AFleetDeviceLogsInWithItsInventoryKey) {
  TempFolder work;
  work.Write("fleet.yaml", "defaults:\n  user: admin\n  timeout: 10\n  known_hosts: " +
                               router_.KnownHosts() + "\n  accept_new_host_key: true\ndevices:\n" +
                               "  - name: by-key\n    host: 127.0.0.1\n    transport: ssh\n" +
                               "    ssh_port: " + router_.Router().SshPort() + "\n" +
                               "    snmp_port: " + router_.Router().SnmpPort() + "\n" +
                               "    ssh_identity: " + Key("locked") + "\n" +
                               "    ssh_key_passphrase_env: BY_KEY_PASSPHRASE\n");
  Variables environment = KeyOnly();
  environment["BY_KEY_PASSPHRASE"] = kPassphrase;
  const DiscoverRun fleet = RunDiscover(
      {"--inventory", work.File("fleet.yaml"), "--output-dir", work.Path() + "/reports"},
      environment);
  EXPECT_EQ(fleet.status, 0) << fleet.out << fleet.err;
  EXPECT_EQ(Found(Json::parse(work.Read("reports/by-key.json"), nullptr, false)),
            CaptureReport(kExample));
  ExpectNoSecretIn(fleet.out + fleet.err, "the fleet's output", environment);
  ExpectNoSecretIn(work.Read("reports/by-key.json"), "the device's report", environment);
}

TEST(SimulatorAuthorizedKeys, ALineWithoutAUsableKeyStopsItAtStart) {
  TempFolder folder;
  folder.Write("authorized_keys", "# fine\nssh-ed25519 not-base64-at-all laptop\n");
  const DiscoverRun run =
      RunChild(ERX_SIMULATOR_PATH,
               {"--capture", kExample, "--ssh", "127.0.0.1:0", "--ssh-host-key",
                folder.File("host_key"), "--ssh-authorized-keys", folder.File("authorized_keys")},
               {}, std::chrono::seconds(60));
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, HasSubstr(folder.File("authorized_keys") + ":2: not a public key"));
}

}  // namespace
