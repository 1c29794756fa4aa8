// Prints the EXIT STATUS section of a manual page from apps/ExitCodes.h, as
// a Markdown definition list for pandoc; run at build time (docs/man/).
//
//   erx-exit-codes discover     erx-discover's codes
//   erx-exit-codes simulator    erx-simulator's
#include <cstring>
#include <iostream>

#include "apps/ExitCodes.h"

int main(int argc, char** argv) {
  const bool simulator = argc == 2 && std::strcmp(argv[1], "simulator") == 0;
  if (argc != 2 || (!simulator && std::strcmp(argv[1], "discover") != 0)) {
    std::cerr << "usage: erx-exit-codes discover|simulator\n";
    return kExitUsage;
  }
  for (const ExitCodeMeaning& meaning : kExitCodes) {
    const char* text = simulator ? meaning.simulator : meaning.discover;
    if (*text) std::cout << "**" << meaning.code << "**\n:   " << text << "\n\n";
  }
  return kExitOk;
}
