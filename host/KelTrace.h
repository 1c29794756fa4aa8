// What the host learns of an agent's trace lines. Whether a line reaches
// standard output depends on the debug level alone; a host that wants to know
// what was traced whatever the debug level (to report what an agent skipped,
// say) installs a listener for the levels it wants. The agent's trace helper
// asks KelTraceWanted before it builds a line nobody would read, and hands
// every built line of a wanted level to KelTraceWritten.
#ifndef HOST_KELTRACE_H_
#define HOST_KELTRACE_H_

#include <string>

class KelTraceListener {
 public:
  virtual ~KelTraceListener() = default;
  // `text` is the line without its end of line. Must not throw.
  virtual void OnTraceLine(int level, const std::string& text) = 0;
};

// Bit n of `levels` asks for level n. Null, or no bits, stops listening.
void KelSetTraceListener(KelTraceListener* listener, unsigned levels);
bool KelTraceWanted(int level);
void KelTraceWritten(int level, const std::string& text);

// Installs a listener for one scope.
class KelScopedTraceListener {
 public:
  KelScopedTraceListener(KelTraceListener& listener, unsigned levels) {
    KelSetTraceListener(&listener, levels);
  }
  KelScopedTraceListener(const KelScopedTraceListener&) = delete;
  KelScopedTraceListener& operator=(const KelScopedTraceListener&) = delete;
  ~KelScopedTraceListener() { KelSetTraceListener(nullptr, 0); }
};

#endif  // HOST_KELTRACE_H_
