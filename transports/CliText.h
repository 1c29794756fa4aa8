// What a router's CLI sends, read the way a terminal shows it.
//
// Prompts: HOST> (user mode), HOST# (privileged), HOST:VR#, HOST:VR:VRF#, and a
// mode in parentheses before the mark: HOST:VR(config)#. The host name is
// learnt from the first prompt after login; later prompts must carry it.
#ifndef TRANSPORTS_CLITEXT_H_
#define TRANSPORTS_CLITEXT_H_

#include <optional>
#include <string>

struct CliPrompt {
  std::string host;
  std::string context;  // "default" when the prompt names none
  char mark = '#';      // '#' or '>'
};

// The prompt that `line` (a line without its newline) consists of, optionally
// followed by one blank. With `host` empty any host name is accepted.
std::optional<CliPrompt> ParseCliPrompt(const std::string& line, const std::string& host);

// The text after the last newline of `received`, without '\r', '\0' and a
// trailing blank: where the router's prompt stands once a reply is complete.
// Empty when that text is longer than any prompt could be.
std::string LastLine(const std::string& received);

// Raw reply bytes as the parsers must see them: no '\0', no carriage returns,
// backspace-erased text and "--More--" page marks removed, a line that held
// only a page mark dropped, "\n" line ends.
std::string CleanCliText(std::string raw);

// True for a cleaned reply that only says the router rejected the command:
// lines starting with '%' ("% Invalid input detected at '^' marker."), a
// caret line pointing into the command, blank lines. A capture shows such a
// command as missing, and so does a live session: no reply.
bool IsCliError(const std::string& reply);

#endif  // TRANSPORTS_CLITEXT_H_
