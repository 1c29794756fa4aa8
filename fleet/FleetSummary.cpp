#include "fleet/FleetSummary.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

const char* DeviceStatusName(DeviceStatus status) {
  switch (status) {
    case DeviceStatus::kPartial:
      return "partial";
    case DeviceStatus::kFailed:
      return "failed";
    case DeviceStatus::kTimeout:
      return "timeout";
    case DeviceStatus::kCrashed:
      return "crashed";
    case DeviceStatus::kOk:
      break;
  }
  return "ok";
}

DeviceStatus DeviceStatusNamed(const std::string& name) {
  for (DeviceStatus status : {DeviceStatus::kOk, DeviceStatus::kPartial, DeviceStatus::kFailed,
                              DeviceStatus::kTimeout, DeviceStatus::kCrashed}) {
    if (name == DeviceStatusName(status)) return status;
  }
  return DeviceStatus::kFailed;
}

DeviceStatus DeviceStatusOf(report::HealthStatus health) {
  switch (health) {
    case report::HealthStatus::kPartial:
      return DeviceStatus::kPartial;
    case report::HealthStatus::kFailed:
      return DeviceStatus::kFailed;
    case report::HealthStatus::kOk:
      break;
  }
  return DeviceStatus::kOk;
}

void CountReport(const report::Report& found, DeviceSummary& into) {
  into.impositions = 0;
  for (const report::Vrf& vrf : found.vrfs)
    into.impositions += vrf.impositions ? vrf.impositions->size() : 0;
  into.labelEntries = found.labelEntries.size();
  into.vrfs = found.vrfs.size();
  into.errors = found.errors.size();
  into.counted = true;
  into.status = DeviceStatusOf(found.health.status);
  const std::string problem = found.health.problems.empty() ? "" : found.health.problems.front();
  into.problem = problem.substr(0, problem.find('\n'));
}

namespace {

std::string Count(const DeviceSummary& device, size_t value) {
  return device.counted ? std::to_string(value) : "-";
}

std::string Seconds(double seconds, int decimals = 2) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, seconds);
  return text;
}

}  // namespace

void WriteSummary(const std::vector<DeviceSummary>& devices, double seconds, std::ostream& out) {
  const std::vector<std::string> heads = {"device",      "status", "labels", "vrfs",
                                          "impositions", "errors", "seconds"};
  std::vector<std::vector<std::string>> rows;
  rows.reserve(devices.size());
  for (const DeviceSummary& device : devices) {
    rows.push_back({device.device, DeviceStatusName(device.status),
                    Count(device, device.labelEntries), Count(device, device.vrfs),
                    Count(device, device.impositions), Count(device, device.errors),
                    Seconds(device.seconds)});
  }
  std::vector<size_t> widths;
  widths.reserve(heads.size());
  for (const std::string& head : heads) widths.push_back(head.size());
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  auto writeRow = [&](const std::vector<std::string>& row, const std::string& problem) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      const std::string pad(widths[i] - row[i].size(), ' ');
      line += i < 2 ? row[i] + pad : pad + row[i];  // names left, numbers right
      if (i + 1 < row.size()) line += "  ";
    }
    if (!problem.empty()) line += "  " + problem;
    out << line.substr(0, line.find_last_not_of(' ') + 1) << "\n";
  };
  writeRow(heads, "");
  for (size_t i = 0; i < rows.size(); ++i) writeRow(rows[i], devices[i].problem);

  std::map<DeviceStatus, size_t> byStatus;
  for (const DeviceSummary& device : devices) ++byStatus[device.status];
  out << "\n"
      << devices.size() << (devices.size() == 1 ? " device: " : " devices: ")
      << byStatus[DeviceStatus::kOk] << " discovered";
  for (DeviceStatus status : {DeviceStatus::kPartial, DeviceStatus::kFailed, DeviceStatus::kTimeout,
                              DeviceStatus::kCrashed}) {
    if (byStatus[status]) out << ", " << byStatus[status] << " " << DeviceStatusName(status);
  }
  out << ", in " << Seconds(seconds, 1) << " s\n";
}
