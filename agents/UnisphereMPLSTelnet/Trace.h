// The module's one way of writing a trace line: only at or above the host's
// debug level, text and end-of-line inside a guard that drops anything thrown,
// the flush outside it. A line of a level the host listens to (KelTrace.h) is
// also handed to the host, written or not.
//
//   Trace(4) << "::ObtainLabelData() " << n << " entries in the telnet table";
//   TraceRaw(3) << "DownloadBasicTelnetData().\n";   // text carries its own line end
#ifndef AGENTS_UNISPHEREMPLSTELNET_TRACE_H_
#define AGENTS_UNISPHEREMPLSTELNET_TRACE_H_

#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "host/KelError.h"
#include "host/KelTrace.h"

class TraceLine {
 public:
  TraceLine(int level, bool addEndOfLine)
      : level_(level), addEndOfLine_(addEndOfLine), written_(__Kelwick_Debug_Level >= level) {
    // The stream is made only for a trace that is written or listened to.
    try {
      if (written_ || KelTraceWanted(level)) text_.emplace();
    } catch (...) {
    }
  }
  TraceLine(const TraceLine&) = delete;
  TraceLine& operator=(const TraceLine&) = delete;
  ~TraceLine() {
    if (!text_) return;
    try {
      if (KelTraceWanted(level_)) KelTraceWritten(level_, text_->str());
    } catch (...) {
    }
    if (!written_) return;
    try {
      std::cout << text_->str();
      if (addEndOfLine_) std::cout << '\n';
    } catch (...) {
    }
    std::cout.flush();
  }

  template <typename T>
  TraceLine& operator<<(const T& value) {
    if (text_) {
      try {
        *text_ << value;
      } catch (...) {
      }
    }
    return *this;
  }

  // Null C strings print as "NULL".
  TraceLine& operator<<(const char* text) {
    if (text_) {
      try {
        *text_ << (text ? text : "NULL");
      } catch (...) {
      }
    }
    return *this;
  }

 private:
  int level_;
  bool addEndOfLine_;
  bool written_;
  std::optional<std::ostringstream> text_;
};

inline TraceLine Trace(int level) { return TraceLine(level, true); }
inline TraceLine TraceRaw(int level) { return TraceLine(level, false); }

// The source file name that every error record of the module carries.
constexpr const char* kErrorSource = "CPelkUnisphereMPLSTelnet";

#endif  // AGENTS_UNISPHEREMPLSTELNET_TRACE_H_
