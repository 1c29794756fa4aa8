// The progress bar of a fleet run on standard error, when that is a terminal:
//
//   [##########..........]  52/100 done  3 failed  2 running  01:10 elapsed  ~01:05 left
//
// Messages of the workers are written above it. Without a terminal there is
// no bar and messages are written as they come.
#ifndef FLEET_FLEETPROGRESS_H_
#define FLEET_FLEETPROGRESS_H_

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

class FleetProgress {
 public:
  FleetProgress(size_t devices, bool drawBar, std::ostream& out);

  // Counted; shown at the next Redraw (a few times a second, not per device).
  void DeviceEnded(bool discovered);
  void SetRunning(int running) { running_ = running; }
  void Message(const std::string& line);
  void Redraw();
  // Clears the bar for what comes after the run.
  void Finish();

  // "01:10": minutes and seconds, hours when there are.
  static std::string Clock(double seconds);

 private:
  size_t devices_;
  bool drawBar_;
  std::ostream& out_;
  size_t done_ = 0;
  size_t failed_ = 0;
  int running_ = 0;
  std::chrono::steady_clock::time_point start_;
};

#endif  // FLEET_FLEETPROGRESS_H_
