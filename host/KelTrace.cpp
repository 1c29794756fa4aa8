#include "host/KelTrace.h"

namespace {
KelTraceListener* listener_ = nullptr;
unsigned levels_ = 0;
}  // namespace

void KelSetTraceListener(KelTraceListener* listener, unsigned levels) {
  listener_ = levels ? listener : nullptr;
  levels_ = listener ? levels : 0;
}

bool KelTraceWanted(int level) {
  return listener_ && level >= 0 && level < 32 && (levels_ >> level & 1u);
}

void KelTraceWritten(int level, const std::string& text) {
  if (!KelTraceWanted(level)) return;
  std::string line = text;
  if (!line.empty() && line.back() == '\n') line.pop_back();
  listener_->OnTraceLine(level, line);
}
