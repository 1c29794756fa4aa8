// Host keys in a fleet: every SSH device is checked against its own entry of
// the one known-hosts file the fleet shares, and a device whose key is
// unknown or changed fails alone while the others are discovered.
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/live/SshLive.h"
#include "tests/support/SqliteRows.h"

using namespace testing;

namespace {

// "ssh-ed25519 SHA256:..." of a router's host key, as ssh-keygen shows it.
std::string Fingerprint(const SshRouter& router) {
  const std::string listed = Shell("ssh-keygen -l -f " + router.HostKey(), {}).out;
  const size_t at = listed.find("SHA256:");
  if (at == std::string::npos) return "?";
  return "ssh-ed25519 " + listed.substr(at, listed.find(' ', at) - at);
}

std::string SshDevice(const std::string& name, const SshRouter& router) {
  return "  - name: " + name +
         "\n    host: 127.0.0.1\n    transport: ssh\n    ssh_port: " + router.Router().SshPort() +
         "\n    snmp_port: " + router.Router().SnmpPort() + "\n";
}

// The status and problem `store` holds for device `name`: "failed|127.0.0.1:...".
std::string Stored(const std::string& store, const std::string& name) {
  const std::vector<std::string> rows =
      SqliteRows(store, "SELECT status, problem FROM devices WHERE name = '" + name + "'");
  return rows.empty() ? "" : rows[0];
}

TEST(FleetSshHostKeys, UnknownAndChangedKeysFailTheirDeviceAlone) {
  SshRouter known, unknown1, unknown2, changed;
  for (SshRouter* router : {&known, &unknown1, &unknown2, &changed}) {
    ASSERT_TRUE(router->Start(kExample));
  }
  // What the operator has recorded: the known router's key, and for the
  // changed one a key it no longer has.
  ASSERT_EQ(RunDiscover(known.Arguments({"--accept-new-host-key"}), Secrets()).status, 0);
  TempFolder work;
  ASSERT_EQ(Shell("ssh-keygen -q -t ed25519 -N '' -f " + work.Path() + "/old_key", {}).status, 0);
  const std::string recorded =
      ReadFile(known.KnownHosts()) + changed.Entry() + " " + work.Read("old_key.pub");
  const std::string knownHosts = work.Path() + "/known_hosts";
  std::ofstream(knownHosts, std::ios::binary) << recorded;

  const std::string inventory = work.Path() + "/fleet.yaml";
  auto writeInventory = [&](bool acceptNew) {
    std::ofstream(inventory) << "defaults:\n  user: admin\n  timeout: 10\n  known_hosts: "
                             << knownHosts
                             << "\n  accept_new_host_key: " << (acceptNew ? "true" : "false")
                             << "\ndevices:\n"
                             << SshDevice("changed", changed) << SshDevice("known", known)
                             << SshDevice("unknown1", unknown1) << SshDevice("unknown2", unknown2);
  };
  const std::string store = work.Path() + "/fleet.db";
  const std::vector<std::string> fleet = {"--inventory", inventory, "--jobs",
                                          "4",           "--store", store};

  writeInventory(false);
  const DiscoverRun strict = RunDiscover(fleet, Secrets());
  EXPECT_EQ(strict.status, 4) << strict.err;
  EXPECT_THAT(strict.out, ContainsRegex("\nknown +ok "));
  EXPECT_THAT(strict.out, HasSubstr(Fingerprint(unknown1)));
  EXPECT_THAT(strict.out, HasSubstr(Fingerprint(unknown2)));
  EXPECT_THAT(strict.out, ContainsRegex("\nchanged +failed .*HAS CHANGED"));
  EXPECT_THAT(strict.out, HasSubstr("4 devices: 1 discovered, 3 failed"));
  EXPECT_EQ(Stored(store, "known"), "ok|NULL");
  EXPECT_THAT(Stored(store, "unknown1"),
              AllOf(StartsWith("failed|"), HasSubstr(Fingerprint(unknown1))));
  EXPECT_THAT(Stored(store, "changed"), AllOf(StartsWith("failed|"), HasSubstr("HAS CHANGED")));
  EXPECT_EQ(ReadFile(knownHosts), recorded);

  // Accepting new keys, parallel workers record both unknown ones, once
  // each after what was there; the changed key stays refused and unreplaced.
  writeInventory(true);
  const DiscoverRun acceptNew = RunDiscover(fleet, Secrets());
  EXPECT_EQ(acceptNew.status, 4) << acceptNew.err;
  EXPECT_THAT(acceptNew.out, ContainsRegex("\nunknown1 +ok "));
  EXPECT_THAT(acceptNew.out, ContainsRegex("\nunknown2 +ok "));
  EXPECT_THAT(acceptNew.out, ContainsRegex("\nchanged +failed .*HAS CHANGED"));
  const std::string after = ReadFile(knownHosts);
  ASSERT_THAT(after, StartsWith(recorded));
  const std::string added = after.substr(recorded.size());
  EXPECT_EQ(Count(added, "\n"), 2) << added;
  EXPECT_EQ(Count(added, unknown1.Entry() + " ssh-ed25519 "), 1) << added;
  EXPECT_EQ(Count(added, unknown2.Entry() + " ssh-ed25519 "), 1) << added;
  EXPECT_EQ(Count(after, changed.Entry() + " "), 1);

  for (const std::string& text :
       {strict.out + strict.err, acceptNew.out + acceptNew.err, after, ReadFile(store)}) {
    ExpectNoSecretIn(text, "the fleet's output, known hosts or store");
  }
}

}  // namespace
