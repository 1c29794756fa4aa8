#include "discovery/TraceRouting.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace {
// Both the C++ and the C buffers, so no byte crosses to the other stream.
void FlushStandardOutput() {
  std::cout.flush();
  std::fflush(stdout);
}
}  // namespace

TracesToStandardError::TracesToStandardError(bool active) {
  if (!active) return;
  FlushStandardOutput();
  savedStdout_ = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
  if (savedStdout_ >= 0 && dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    close(savedStdout_);
    savedStdout_ = -1;
  }
}

TracesToStandardError::~TracesToStandardError() {
  if (savedStdout_ < 0) return;
  FlushStandardOutput();
  dup2(savedStdout_, STDOUT_FILENO);
  close(savedStdout_);
}
