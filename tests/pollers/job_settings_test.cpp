// A device's inventory keys as a job carries them to a poller.
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pollers/JobSettings.h"
#include "tests/support/TempFolder.h"

using namespace testing;

namespace {

TEST(JobSettings, CarryTheDevicesKeysButNoSecretAndNoSecretsFile) {
  TempFolder folder;
  const std::string inventory = folder.Path() + "/fleet.yaml";
  std::ofstream(inventory)
      << "defaults:\n  region: eu-west\n  user: admin\n  timeout: 7\n"
         "  secrets_file: secrets\n  password_env: LAB_PASSWORD\n"
         "devices:\n"
         "  - name: pe1\n    host: 10.0.0.1\n    snmp_version: '3'\n"
         "    snmp_auth_key_env: PE1_AUTH\n    context_communities:\n"
         "      red: RED_COMMUNITY\n    transport: ssh\n"
         "    ssh_options:\n      KexAlgorithms: '+diffie-hellman-group14-sha1'\n"
         "    ssh_identity: keys/pe1\n"
         "  - name: lab\n    region: lab\n    capture: " ERX_SOURCE_DIR "/devices/pe1-erx\n";
  std::vector<InventoryDevice> devices;
  const Status loaded = LoadInventory(inventory).Into(devices);
  ASSERT_TRUE(loaded.ok()) << loaded.message();

  InventoryDevice pe1;
  const std::string text = JobSettings(devices[0]);
  Status read = ReadJobSettings(text, "job 1").Into(pe1);
  ASSERT_TRUE(read.ok()) << read.message() << "\n" << text;
  EXPECT_EQ(pe1.name, "pe1");
  EXPECT_EQ(pe1.region, "eu-west");
  EXPECT_EQ(pe1.live.host, "10.0.0.1");
  EXPECT_EQ(pe1.live.user, "admin");
  EXPECT_EQ(pe1.live.timeoutSeconds, 7);
  EXPECT_EQ(pe1.live.snmpVersion, "3");
  EXPECT_EQ(pe1.live.secretNames.password, "LAB_PASSWORD");
  EXPECT_EQ(pe1.live.secretNames.snmpAuthKey, "PE1_AUTH");
  EXPECT_THAT(pe1.live.contextCommunities, ElementsAre("red=RED_COMMUNITY"));
  EXPECT_TRUE(pe1.live.ssh.enabled);
  EXPECT_THAT(pe1.live.ssh.algorithms, ElementsAre("KexAlgorithms=+diffie-hellman-group14-sha1"));
  EXPECT_EQ(pe1.live.ssh.identity, folder.Path() + "/keys/pe1");
  // A poller takes its secrets from its own machine.
  EXPECT_EQ(pe1.live.secretsFile, "");
  EXPECT_THAT(text, Not(HasSubstr("secrets")));

  InventoryDevice lab;
  read = ReadJobSettings(JobSettings(devices[1]), "job 2").Into(lab);
  ASSERT_TRUE(read.ok()) << read.message();
  EXPECT_EQ(lab.capture, ERX_SOURCE_DIR "/devices/pe1-erx");
  EXPECT_EQ(lab.region, "lab");
  EXPECT_EQ(lab.live.host, "");

  read = ReadJobSettings("devices:\n  - name: x\n", "job 3").Into(lab);
  EXPECT_FALSE(read.ok());
  EXPECT_THAT(read.message(), StartsWith("job 3:2: "));
}

}  // namespace
