#include "tests/support/RunProgram.h"

#include <stdlib.h>
#include <sys/wait.h>

#include "tests/support/TempFolder.h"

ProgramRun RunProgram(const std::string& commandLine) {
  TempFolder io;
  const int status = system((commandLine + " >" + io.File("out") + " 2>" + io.File("err")).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, io.Read("out"), io.Read("err")};
}
