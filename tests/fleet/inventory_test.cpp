// Reading a fleet inventory, and refusing a bad one before any device is contacted.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fleet/Inventory.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class InventoryTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& yaml) {
    folder_.Write("fleet.yaml", yaml);
    return folder_.File("fleet.yaml");
  }
  void MakeCapture(const std::string& capture) { folder_.Write(capture + "/cli.log", "pe#\n"); }
  // The problem of an inventory that must be refused.
  std::string Refusal(const std::string& yaml) {
    const Result<std::vector<InventoryDevice>> devices = LoadInventory(Write(yaml));
    EXPECT_FALSE(devices.ok()) << yaml;
    EXPECT_TRUE(devices.value().empty());
    return devices.message();
  }

  TempFolder folder_;
  const std::string dir_ = folder_.Path();
};

// What a device's settings came to, in one line.
std::string Described(const InventoryDevice& device) {
  const LiveOptions& l = device.live;
  const SecretNames& s = l.secretNames;
  std::ostringstream out;
  out << device.name << ":" << device.line << " [" << device.capture << "] " << l.host << " "
      << device.region << " " << l.user << " telnet " << l.telnetPort << " snmp " << l.snmpPort
      << " v" << l.snmpVersion << " " << l.snmpUser << "/" << l.snmpAuth << "/" << l.snmpPriv
      << " timeout " << l.timeoutSeconds << " sessions " << l.cliSessions << " paging " << l.paging
      << " quiet " << l.quiet << " " << l.secretsFile << " " << s.password << " "
      << s.enablePassword << " " << s.community << " " << s.snmpAuthKey << " " << s.snmpPrivKey;
  for (const std::string& context : l.contextCommunities) out << " " << context;
  return out.str();
}

TEST_F(InventoryTest, DefaultsApplyToEveryDeviceUnlessItSaysOtherwise) {
  MakeCapture("captures/lab-pe3");
  const std::string path = Write(R"(# the lab
defaults:
  user: admin
  snmp_version: 3
  timeout: 20
  paging: yes
  region: eu-west
  secrets_file: private/erx.env
  password_env: FLEET_PASSWORD
  context_communities: {vr1: VR1_COMMUNITY}
devices:
  - name: pe1
    host: 10.0.0.1
  - name: pe2
    host: pe2.lab
    region: us-east
    telnet_port: 2323
    snmp_port: "1161"
    snmp_version: 2c
    snmp_user: poller
    snmp_auth: MD5
    snmp_priv: DES
    timeout: 5
    cli_sessions: 3
    paging: false
    secrets_file: ~/.erx-secrets
    password_env: PE2_PASSWORD
    enable_password_env: PE2_ENABLE
    community_env: PE2_COMMUNITY
    snmp_auth_key_env: _PE2_AUTH
    snmp_priv_key_env: PE2_PRIV
    context_communities:
      "vr1:red": RED_COMMUNITY
      vr2: VR2_COMMUNITY
  - {name: lab-pe3, capture: ./captures/lab-pe3/}
)");
  const char* home = getenv("HOME");
  const std::string ownHome = home ? home : "";
  setenv("HOME", "/home/noc", 1);
  std::vector<InventoryDevice> devices;
  const Status loaded = LoadInventory(path).Into(devices);
  home ? setenv("HOME", ownHome.c_str(), 1) : unsetenv("HOME");
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  ASSERT_EQ(devices.size(), 3u);
  // A device's contexts replace the default ones rather than adding to them.
  const std::string defaults = " timeout 20 sessions 1 paging 1 quiet 1 " + dir_ +
                               "/private/erx.env FLEET_PASSWORD ERX_ENABLE_PASSWORD ERX_COMMUNITY "
                               "ERX_SNMP_AUTH_KEY ERX_SNMP_PRIV_KEY vr1=VR1_COMMUNITY";
  EXPECT_EQ(Described(devices[0]),
            "pe1:12 [] 10.0.0.1 eu-west admin telnet 23 snmp 161 v3 /SHA/AES" + defaults);
  EXPECT_EQ(Described(devices[1]),
            "pe2:14 [] pe2.lab us-east admin telnet 2323 snmp 1161 v2c poller/MD5/DES timeout 5 "
            "sessions 3 paging 0 quiet 1 /home/noc/.erx-secrets PE2_PASSWORD PE2_ENABLE "
            "PE2_COMMUNITY _PE2_AUTH PE2_PRIV vr1:red=RED_COMMUNITY vr2=VR2_COMMUNITY");
  EXPECT_EQ(Described(devices[2]), "lab-pe3:35 [" + dir_ +
                                       "/captures/lab-pe3]  eu-west admin telnet 23 snmp 161 v3 "
                                       "/SHA/AES" +
                                       defaults);
}

TEST_F(InventoryTest, SshDevicesTakeTheirPortKeyAndAlgorithms) {
  const std::string path = Write(R"(defaults:
  transport: ssh
  known_hosts: keys/known_hosts
devices:
  - name: old-pe
    host: 10.0.0.1
    ssh_port: 2222
    ssh_identity: keys/id_ed25519
    ssh_key_passphrase_env: OLD_PE_PASSPHRASE
    accept_new_host_key: true
    ssh_options: {KexAlgorithms: "+diffie-hellman-group14-sha1", Ciphers: "+aes128-cbc"}
  - name: telnet-pe
    host: 10.0.0.2
    transport: telnet
)");
  std::vector<InventoryDevice> devices;
  const Status loaded = LoadInventory(path).Into(devices);
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  const SshOptions& old = devices[0].live.ssh;
  EXPECT_TRUE(old.enabled);
  EXPECT_EQ(old.port, 2222);
  EXPECT_EQ(old.identity, dir_ + "/keys/id_ed25519");
  EXPECT_EQ(old.knownHosts, dir_ + "/keys/known_hosts");
  EXPECT_TRUE(old.acceptNewHostKey);
  EXPECT_EQ(devices[0].live.secretNames.sshKeyPassphrase, "OLD_PE_PASSPHRASE");
  EXPECT_THAT(old.algorithms,
              ElementsAre("KexAlgorithms=+diffie-hellman-group14-sha1", "Ciphers=+aes128-cbc"));
  EXPECT_FALSE(devices[1].live.ssh.enabled);
  EXPECT_FALSE(devices[1].live.ssh.acceptNewHostKey);
  EXPECT_EQ(devices[1].region, "");
}

TEST_F(InventoryTest, RefusesAnUnreadableFile) {
  const Result<std::vector<InventoryDevice>> missing = LoadInventory(dir_ + "/missing.yaml");
  EXPECT_FALSE(missing.ok());
  EXPECT_EQ(missing.message(), dir_ + "/missing.yaml: cannot be read: No such file or directory");
  const Result<std::vector<InventoryDevice>> folder = LoadInventory(dir_);
  EXPECT_FALSE(folder.ok());
  EXPECT_THAT(folder.message(), HasSubstr("is a folder"));
}

TEST_F(InventoryTest, RefusesEveryFaultAtItsLine) {
  MakeCapture("pe");
  fs::create_directories(dir_ + "/empty");
  const std::string device = "devices:\n  - name: pe1\n    host: h\n";
  struct Case {
    std::string yaml;
    int line;
    std::string what;
  } cases[] = {
      {"devices:\n  - name: pe1\n    host: a: b\n", 3, "illegal map value"},
      {"", 1, "the inventory is empty"},
      {"defaults:\n  user: a\n", 1, "no devices: list"},
      {"devices: []\n", 1, "devices: give a list of at least one device"},
      {device + "---\n" + device, 5, "a second YAML document"},
      {"device:\n  - name: pe1\n", 1,
       "unknown key device; did you mean devices? (an inventory has defaults: and devices:)"},
      {"defaults:\n  usr: a\n" + device, 2, "defaults: unknown key usr; did you mean user?"},
      {"defaults:\n  snmp_verison: 3\n" + device, 2,
       "unknown key snmp_verison; did you mean snmp_version?"},
      {device + "    pasword_env: PE1\n", 4, "unknown key pasword_env; did you mean password_env?"},
      {device + "    colour: red\n", 4, "device pe1: unknown key colour"},
      {"defaults:\n  host: h\n" + device, 2, "defaults: host belongs to each device"},
      {device + "    hots: h\n", 4, "device pe1: unknown key hots; did you mean host?"},
      {device + "    user: [a, b]\n", 4, "device pe1: user: give a single value"},
      {device + "    user:\n", 4, "device pe1: user: needs a value"},
      {device + "    user: a\n    user: b\n", 5, "device pe1: user: given twice (first at line 4)"},
      {device + "    telnet_port: 70000\n", 4, "telnet_port: give a whole number from 1 to 65535"},
      {device + "    snmp_version: 2\n", 4, "snmp_version: give 2c or 3"},
      {device + "    paging: sometimes\n", 4, "paging: give true or false"},
      {device + "    transport: rsh\n", 4, "transport: give telnet or ssh"},
      {device + "    ssh_options: {Compression: yes}\n", 4,
       "Compression is not one of KexAlgorithms"},
      {device + "    ssh_options: {MACs: \"+\"}\n", 4, "MACs: give a comma-separated list"},
      {device + "    community_env: 1COMMUNITY\n", 4, "community_env: give the name of a variable"},
      {device + "    context_communities: [vr1]\n", 4, "context_communities: give a mapping"},
      {device + "    context_communities:\n      a=b: X\n", 5, "'a=b' is not a context name"},
      {device + "    context_communities:\n      vr1: [X]\n", 5,
       "context_communities: vr1: give the name"},
      {"devices:\n  - pe1\n", 2, "device 1: give a mapping"},
      {"devices:\n  - host: h\n    user: a\n", 2, "device 1: no name"},
      {"devices:\n  - {name: pe1, host: h}\n  - name: pe/2\n", 3,
       "device 2: name: 'pe/2' is not a usable name"},
      {"devices:\n  - name: " + std::string(65, 'p') + "\n", 2, "at most 64 characters"},
      {device + "  - name: pe2\n    host: h\n  - name: pe1\n    host: h\n", 6,
       "device pe1: name: pe1 is already the name of the device at line 2"},
      {device + "  - name: PE1\n    host: h\n", 4, "the device at line 2 (as pe1)"},
      {"devices:\n  - name: pe1\n    user: a\n", 2,
       "device pe1: give host (a live router) or capture"},
      {device + "    capture: pe\n", 4, "device pe1: give host or capture, not both"},
      {"devices:\n  - name: pe1\n    host: -oProxyCommand=x\n", 3, "host: not a host name"},
      {"devices:\n  - name: pe1\n    capture: nowhere\n", 3,
       "capture: no folder " + dir_ + "/nowhere"},
      {"devices:\n  - name: pe1\n    capture: empty\n", 3,
       "capture: " + dir_ + "/empty holds no cli.log"},
      {device + "    password: x\n", 4,
       "device pe1: password: an inventory names the variable that holds a secret (password_env), "
       "never the secret"},
      {"defaults:\n  enable_password: x\n" + device, 2, "(enable_password_env)"},
      {device + "    secret: x\n", 4,
       "secret: an inventory names the variable that holds a secret"},
      {device + "    region: eu/west\n", 4, "device pe1: region: 'eu/west' is not a usable region"},
  };
  for (const Case& c : cases) {
    const std::string problem = Refusal(c.yaml);
    EXPECT_THAT(problem, StartsWith(dir_ + "/fleet.yaml:" + std::to_string(c.line) + ": "))
        << c.yaml;
    EXPECT_THAT(problem, HasSubstr(c.what)) << c.yaml;
  }
}

TEST_F(InventoryTest, NeverEchoesASecretWrittenWhereItsNameBelongs) {
  const std::string secret = "Tr0ub4dor&3";
  const std::string device = "devices:\n  - name: pe1\n    host: h\n";
  const std::string places[] = {
      device + "    password: " + secret + "\n",
      "defaults:\n  community: " + secret + "\n" + device,
      "snmp_auth_key: " + secret + "\n" + device,
      device + "    password_env: " + secret + "\n",
      device + "    enable_password_env: \"" + secret + " \"\n",
      device + "    context_communities:\n      vr1: " + secret + "\n",
      device + "    login=" + secret + ": x\n",
      device + "    snmp_auth: " + secret + "\n",  // the key meant was snmp_auth_key_env
      device + "    \"pass " + secret + "\": x\n",
  };
  for (const std::string& yaml : places) {
    const std::string problem = Refusal(yaml);
    EXPECT_THAT(problem, HasSubstr("fleet.yaml:")) << yaml;
    EXPECT_THAT(problem, Not(HasSubstr("Tr0ub4dor"))) << problem;
  }
}

}  // namespace
