// Keeps the agent's traces out of a report written to standard output: the
// agent writes its traces to its standard output, and while a
// TracesToStandardError is alive that descriptor is standard error. On leaving
// scope standard output is itself again.
//
//   {
//     TracesToStandardError traces(outputPath.empty());
//     DiscoverCapturedDevice(...);
//   }
//   std::cout << report;
#ifndef DISCOVERY_TRACEROUTING_H_
#define DISCOVERY_TRACEROUTING_H_

class TracesToStandardError {
 public:
  explicit TracesToStandardError(bool active);
  TracesToStandardError(const TracesToStandardError&) = delete;
  TracesToStandardError& operator=(const TracesToStandardError&) = delete;
  ~TracesToStandardError();

 private:
  int savedStdout_ = -1;
};

#endif  // DISCOVERY_TRACEROUTING_H_
