#include "fleet/FleetProgress.h"

#include <cmath>
#include <cstdio>

namespace {
const char kClearLine[] = "\r\033[K";
const size_t kBarWidth = 20;
}  // namespace

FleetProgress::FleetProgress(size_t devices, bool drawBar, std::ostream& out)
    : devices_(devices), drawBar_(drawBar), out_(out), start_(std::chrono::steady_clock::now()) {}

void FleetProgress::DeviceEnded(bool discovered) {
  ++done_;
  if (!discovered) ++failed_;
}

void FleetProgress::Message(const std::string& line) {
  if (drawBar_) out_ << kClearLine;
  out_ << line << "\n";
  Redraw();
}

void FleetProgress::Redraw() {
  if (!drawBar_) return;
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const size_t filled = devices_ ? done_ * kBarWidth / devices_ : kBarWidth;
  std::string line = kClearLine;
  line += "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] ";
  line += std::to_string(done_) + "/" + std::to_string(devices_) + " done  " +
          std::to_string(failed_) + " failed  " + std::to_string(running_) + " running  " +
          Clock(elapsed) + " elapsed";
  if (done_ > 0 && done_ < devices_) {
    line += "  ~" +
            Clock(elapsed / static_cast<double>(done_) * static_cast<double>(devices_ - done_)) +
            " left";
  }
  out_ << line << std::flush;
}

void FleetProgress::Finish() {
  if (drawBar_) out_ << kClearLine << std::flush;
}

std::string FleetProgress::Clock(double seconds) {
  long total = std::lround(seconds);
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%02ld:%02ld", total / 60, total % 60);
  }
  return text;
}
