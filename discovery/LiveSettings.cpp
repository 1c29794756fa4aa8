#include "discovery/LiveSettings.h"

namespace {

using K = SettingKind;

std::vector<LiveSetting> MakeSettings() {
  std::vector<LiveSetting> s;
  auto add = [&s](const char* flag, const char* key, K kind, SettingMember (*member)(LiveOptions&),
                  const char* group, const char* help) -> LiveSetting& {
    LiveSetting setting;
    setting.flag = flag;
    setting.key = key;
    setting.kind = kind;
    setting.member = member;
    setting.group = group;
    setting.help = help;
    s.push_back(setting);
    return s.back();
  };
  auto range = [](LiveSetting& setting, double low, double high) {
    setting.low = low;
    setting.high = high;
  };
  range(add(
            "--telnet-port", "telnet_port", K::kNumber,
            [](LiveOptions& o) -> SettingMember { return &o.telnetPort; }, "Live",
            "Telnet port of the router"),
        1, 65535);
  range(add(
            "--snmp-port", "snmp_port", K::kNumber,
            [](LiveOptions& o) -> SettingMember { return &o.snmpPort; }, "SNMP",
            "SNMP port of the router"),
        1, 65535);
  add(
      "--user", "user", K::kText, [](LiveOptions& o) -> SettingMember { return &o.user; }, "Live",
      "login user name (none: the router asks no user name)");
  add(
      "--snmp-version", "snmp_version", K::kChoice,
      [](LiveOptions& o) -> SettingMember { return &o.snmpVersion; }, "SNMP", "SNMP version")
      .choices = {"2c", "3"};
  add(
      "--snmp-user", "snmp_user", K::kText,
      [](LiveOptions& o) -> SettingMember { return &o.snmpUser; }, "SNMP",
      "SNMPv3 user (default: the --user)");
  add(
      "--snmp-auth", "snmp_auth", K::kChoice,
      [](LiveOptions& o) -> SettingMember { return &o.snmpAuth; }, "SNMP",
      "SNMPv3 authentication protocol")
      .choices = {"SHA", "MD5"};
  add(
      "--snmp-priv", "snmp_priv", K::kChoice,
      [](LiveOptions& o) -> SettingMember { return &o.snmpPriv; }, "SNMP",
      "SNMPv3 privacy protocol")
      .choices = {"AES", "DES"};
  add(
      "--context-community", "context_communities", K::kContextCommunities,
      [](LiveOptions& o) -> SettingMember { return &o.contextCommunities; }, "SNMP",
      "SNMPv2c community of one context, read from the variable NAME of the environment or the "
      "secrets file (repeatable)")
      .valueName = "CONTEXT=NAME";
  range(add(
            "--timeout", "timeout", K::kNumber,
            [](LiveOptions& o) -> SettingMember { return &o.timeoutSeconds; }, "Live",
            "seconds to wait for each command and walk"),
        1, 3600);
  range(add(
            "--cli-sessions", "cli_sessions", K::kNumber,
            [](LiveOptions& o) -> SettingMember { return &o.cliSessions; }, "Live",
            "CLI sessions a long request is split over, at the same time (routers limit the "
            "sessions of a user: mind the others logged in)"),
        1, 16);
  range(add(
            "--cli-pipeline", "cli_pipeline", K::kNumber,
            [](LiveOptions& o) -> SettingMember { return &o.cliPipeline; }, "Live",
            "commands a CLI session writes before reading their replies (routers differ: one "
            "that loses them is caught, and the rest goes one at a time; not with --paging)"),
        1, 64);
  LiveSetting& deviceTimeout = add(
      "--device-timeout", "", K::kSeconds,
      [](LiveOptions& o) -> SettingMember { return &o.deviceTimeoutSeconds; }, "Live",
      "seconds for one device: nothing more is asked of it, a fleet's worker is stopped "
      "(0: never)");
  range(deviceTimeout, 0, 86400);
  deviceTimeout.wholeFleet = true;
  add(
      "--save-capture", "", K::kPath,
      [](LiveOptions& o) -> SettingMember { return &o.saveCapture; }, "Live",
      "write what the router sent as a captured device folder")
      .valueName = "DIR";
  add(
      "--secrets-file", "secrets_file", K::kPath,
      [](LiveOptions& o) -> SettingMember { return &o.secretsFile; }, "Live",
      "private file of NAME=VALUE lines (ERX_PASSWORD, ERX_COMMUNITY, ...)")
      .valueName = "FILE";
  add(
      "--quiet", "", K::kFlag, [](LiveOptions& o) -> SettingMember { return &o.quiet; }, "Live",
      "no progress line or bar on standard error")
      .wholeFleet = true;
  add(
      "--paging", "paging", K::kFlag, [](LiveOptions& o) -> SettingMember { return &o.paging; },
      "Live", "leave the router's paging on");
  add(
      "--ssh", "transport", K::kTransport,
      [](LiveOptions& o) -> SettingMember { return &o.ssh.enabled; }, "SSH",
      "reach the CLI over SSH instead of Telnet")
      .choices = {"telnet", "ssh"};
  range(add(
            "--ssh-port", "ssh_port", K::kNumber,
            [](LiveOptions& o) -> SettingMember { return &o.ssh.port; }, "SSH",
            "SSH port of the router"),
        1, 65535);
  add(
      "--ssh-identity", "ssh_identity", K::kPath,
      [](LiveOptions& o) -> SettingMember { return &o.ssh.identity; }, "SSH",
      "private key to log in with (its passphrase in ERX_SSH_KEY_PASSPHRASE)")
      .valueName = "FILE";
  add(
      "--known-hosts", "known_hosts", K::kPath,
      [](LiveOptions& o) -> SettingMember { return &o.ssh.knownHosts; }, "SSH",
      "OpenSSH known-hosts file the router's key is checked against (default "
      "~/.ssh/known_hosts)")
      .valueName = "FILE";
  add(
      "--accept-new-host-key", "accept_new_host_key", K::kFlag,
      [](LiveOptions& o) -> SettingMember { return &o.ssh.acceptNewHostKey; }, "SSH",
      "record the key of a router not yet known (never a changed key)");
  add(
      "--ssh-option", "ssh_options", K::kSshOptions,
      [](LiveOptions& o) -> SettingMember { return &o.ssh.algorithms; }, "SSH",
      "KexAlgorithms, HostKeyAlgorithms, Ciphers or MACs, as OpenSSH takes them: a list, +added "
      "or -removed (repeatable)")
      .valueName = "NAME=VALUE";
  // The names of the variables that hold the secrets: an inventory may name
  // others per device; on the command line they are the ERX_ ones.
  add(
      "", "password_env", K::kVariable,
      [](LiveOptions& o) -> SettingMember { return &o.secretNames.password; }, "", "");
  add(
      "", "enable_password_env", K::kVariable,
      [](LiveOptions& o) -> SettingMember { return &o.secretNames.enablePassword; }, "", "");
  add(
      "", "community_env", K::kVariable,
      [](LiveOptions& o) -> SettingMember { return &o.secretNames.community; }, "", "");
  add(
      "", "snmp_auth_key_env", K::kVariable,
      [](LiveOptions& o) -> SettingMember { return &o.secretNames.snmpAuthKey; }, "", "");
  add(
      "", "snmp_priv_key_env", K::kVariable,
      [](LiveOptions& o) -> SettingMember { return &o.secretNames.snmpPrivKey; }, "", "");
  add(
      "", "ssh_key_passphrase_env", K::kVariable,
      [](LiveOptions& o) -> SettingMember { return &o.secretNames.sshKeyPassphrase; }, "", "");
  return s;
}

}  // namespace

const std::vector<LiveSetting>& LiveSettings() {
  static const std::vector<LiveSetting> settings = MakeSettings();
  return settings;
}
