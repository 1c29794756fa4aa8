#include "apps/erx-discover/LiveCommandLine.h"

#include "discovery/LiveSettings.h"

namespace {

CLI::Option* AddSetting(CLI::App& app, const LiveSetting& setting, LiveOptions& options) {
  const SettingMember member = setting.member(options);
  switch (setting.kind) {
    case SettingKind::kFlag:
    case SettingKind::kTransport:
      return app.add_flag(setting.flag, *std::get<bool*>(member), setting.help);
    case SettingKind::kNumber:
      return app.add_option(setting.flag, *std::get<int*>(member), setting.help)
          ->check(CLI::Range(static_cast<int>(setting.low), static_cast<int>(setting.high)))
          ->capture_default_str();
    case SettingKind::kSeconds:
      return app.add_option(setting.flag, *std::get<double*>(member), setting.help)
          ->check(CLI::Range(setting.low, setting.high))
          ->capture_default_str();
    case SettingKind::kChoice:
      return app.add_option(setting.flag, *std::get<std::string*>(member), setting.help)
          ->check(CLI::IsMember(setting.choices))
          ->capture_default_str();
    case SettingKind::kContextCommunities:
    case SettingKind::kSshOptions:
      return app
          .add_option(setting.flag, *std::get<std::vector<std::string>*>(member), setting.help)
          ->allow_extra_args(false);
    case SettingKind::kText:
    case SettingKind::kPath:
    case SettingKind::kVariable:
      break;
  }
  return app.add_option(setting.flag, *std::get<std::string*>(member), setting.help);
}

}  // namespace

void AddLiveOptions(CLI::App& app, LiveOptions& options, CLI::Option* captureOption) {
  auto* host =
      app.add_option("--host", options.host,
                     "discover this live router (Telnet or SSH, and SNMP) instead of a capture")
          ->option_text("HOST");
  if (captureOption) host->excludes(captureOption);
  for (const LiveSetting& setting : LiveSettings()) {
    if (!*setting.flag) continue;
    CLI::Option* option = AddSetting(app, setting, options);
    if (*setting.valueName) option->option_text(setting.valueName);
  }
}

std::vector<std::string> LiveOptionsOfEachDevice() {
  std::vector<std::string> flags;
  for (const LiveSetting& setting : LiveSettings()) {
    if (*setting.flag && !setting.wholeFleet) flags.push_back(setting.flag);
  }
  return flags;
}

void GroupLiveOptions(CLI::App& app) {
  for (const LiveSetting& setting : LiveSettings()) {
    if (!*setting.flag) continue;
    if (CLI::Option* option = app.get_option_no_throw(setting.flag)) option->group(setting.group);
  }
}
