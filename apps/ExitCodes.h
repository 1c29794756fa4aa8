// Every exit status of erx-discover and erx-simulator, defined here once. The
// rooms below return outcomes of their own; each subcommand maps its outcome
// to one of these.
// The manual pages' EXIT STATUS is printed from kExitCodes at build time
// (apps/ExitCodesTable.cpp), so the page cannot drift from the code.
#ifndef APPS_EXITCODES_H_
#define APPS_EXITCODES_H_

enum ExitCode : int {
  kExitOk = 0,
  kExitChanged = 1,
  kExitUsage = 2,
  kExitFailed = 3,
  kExitSomeDevicesFailed = 4,
  kExitPartial = 5,
};

struct ExitCodeMeaning {
  ExitCode code;
  const char* discover;   // what it means of erx-discover; "" when it never exits so
  const char* simulator;  // what it means of erx-simulator; "" when it never exits so
};

const ExitCodeMeaning kExitCodes[] = {
    {kExitOk,
     "Success: the device answered everything (the agent's own errors are in the report); "
     "every device of a fleet was ok; diff: nothing changed; paths, vpns, html: answered.",
     "Stopped by SIGTERM or SIGINT after serving."},
    {kExitChanged, "diff: something changed between the two runs.", ""},
    {kExitUsage,
     "Bad usage, or nothing could start: an unreadable device folder, a module that cannot be "
     "loaded, a report that cannot be written, a bad inventory, a store, run or device that "
     "cannot be used. One line on standard error says what.",
     "Bad usage, or a capture, port or host key that cannot be used. One line on standard "
     "error says what."},
    {kExitFailed,
     "The router could not be reached, refused the login, showed a host key that is not "
     "known, or its CLI or SNMP answered nothing (a capture that holds no command). The "
     "report is still written.",
     ""},
    {kExitSomeDevicesFailed, "Fleet: some devices were not ok (see the summary).", ""},
    {kExitPartial,
     "Discovery ran but something did not answer (the report's health names it); the report "
     "is written.",
     ""},
};

#endif  // APPS_EXITCODES_H_
