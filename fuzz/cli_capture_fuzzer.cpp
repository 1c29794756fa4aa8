// The reader of captured CLI sessions (cli.log) on arbitrary logs: every reply
// it cuts out is found again under its context and command, and every context
// of a reply is one a prompt showed.
#include <string>

#include "captures/CliCapture.h"
#include "fuzz/support/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const CliCapture capture = ParseCliLog(std::string(reinterpret_cast<const char*>(data), size));
  FuzzCheck(capture.host.empty() == capture.contexts.empty(), "contexts without a host");
  for (const auto& [key, output] : capture.replies) {
    const auto& [context, command] = key;
    FuzzCheck(capture.contexts.count(context) == 1, "a reply in a context no prompt showed");
    FuzzCheck(!command.empty() && CollapsedCommand(command) == command,
              "a command kept with extra blanks");
    FuzzCheck(capture.Reply(context, " " + command + " ") == &output,
              "a reply not found under its own command");
  }
  return 0;
}
