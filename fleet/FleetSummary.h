// The table erx-discover prints at the end of a fleet run, a device a line:
//
//   device   status   labels  vrfs  impositions  errors  seconds
//   pe1-erx  ok            5     4            9       0     0.21
//   pe7      failed        -     -            -       -     1.02  login refused by 10.0.0.7:23
//
//   2 devices: 1 discovered, 1 failed, in 1.3 s
#ifndef FLEET_FLEETSUMMARY_H_
#define FLEET_FLEETSUMMARY_H_

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "report/ReportModel.h"

// How a device of a fleet ended: its health's status when discovery ran;
// else failed (could not start or be reached), timeout (stopped at the
// device's deadline) or crashed (its worker died of a signal).
enum class DeviceStatus { kOk, kPartial, kFailed, kTimeout, kCrashed };

// "ok", "partial", "failed", "timeout" or "crashed", as the summary and the
// store spell it.
const char* DeviceStatusName(DeviceStatus status);
DeviceStatus DeviceStatusOf(report::HealthStatus health);
// The status of that name; a name no run writes reads as failed.
DeviceStatus DeviceStatusNamed(const std::string& name);

struct DeviceSummary {
  std::string device;
  DeviceStatus status = DeviceStatus::kOk;
  std::string problem;
  bool counted = false;  // the counts are known (the device was discovered)
  size_t labelEntries = 0;
  size_t vrfs = 0;
  size_t impositions = 0;
  size_t errors = 0;
  double seconds = 0;
};

// The counts and health of a discovered device.
void CountReport(const report::Report& found, DeviceSummary& into);

void WriteSummary(const std::vector<DeviceSummary>& devices, double seconds, std::ostream& out);

#endif  // FLEET_FLEETSUMMARY_H_
