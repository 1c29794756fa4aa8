// A program run to its end through the shell, its standard output and
// standard error kept apart.
//
//   const ProgramRun run = RunProgram(ERX_RUNNER_PATH " --capture devices/pe1-erx");
//   EXPECT_EQ(run.status, 0) << run.err;
#ifndef TESTS_SUPPORT_RUNPROGRAM_H_
#define TESTS_SUPPORT_RUNPROGRAM_H_

#include <string>

struct ProgramRun {
  int status = -1;  // its exit status; -1 when it did not exit
  std::string out, err;
};

ProgramRun RunProgram(const std::string& commandLine);

#endif  // TESTS_SUPPORT_RUNPROGRAM_H_
