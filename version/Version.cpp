#include "version/Version.h"

#include "version/Commit.h"

namespace version {

const char* Number() { return ERX_VERSION; }

const char* Commit() { return kCommit; }

std::string Line(const std::string& program) {
  std::string line = program + " " + Number();
  if (*Commit()) line += std::string(" (commit ") + Commit() + ")";
  return line;
}

}  // namespace version
