// A captured CLI session, as the terminal log of a Telnet session holds it, cut
// into the replies that a live session would have handed the requester.
//
//   pe1-erx#show mpls interface          <- prompt line: context "default"
//   Interface ATM2/0.1  Up               <- output, kept byte for byte
//   pe1-erx#virtual-router vr2
//   pe1-erx:vr2#show mpls interface      <- context "vr2"
//   pe1-erx:vr2:red(config)#...          <- context "vr2:red"; ">" may stand for "#"
//
// The host name is learnt from the first prompt line; later lines count as
// prompts only with that host, so output is never taken for a prompt. Carriage
// returns and "--More--" paging marks (with the blanks and backspaces that
// erase them) are removed; the echoed command and the trailing prompt are not
// part of a reply. A log cut short keeps its last output up to its end.
#ifndef CAPTURES_CLICAPTURE_H_
#define CAPTURES_CLICAPTURE_H_

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

struct CliCapture {
  std::string host;                // empty when the log holds no prompt line
  std::set<std::string> contexts;  // every context a prompt showed
  // (context, command with blanks collapsed) -> output. When a command was
  // captured more than once in one context, the first capture is kept.
  std::map<std::pair<std::string, std::string>, std::string> replies;

  // The captured output, or null when the capture lacks the command.
  const std::string* Reply(const std::string& context, const std::string& command) const;
};

CliCapture ParseCliLog(const std::string& log);

// What a terminal showed of `raw`: carriage returns move to the line's start
// and backspaces one column left, later characters overwrite earlier ones;
// trailing blanks (those that erased a paging mark) go.
std::string AsDisplayed(std::string_view raw);

// "show  ip vrf " -> "show ip vrf".
std::string CollapsedCommand(const std::string& command);

#endif  // CAPTURES_CLICAPTURE_H_
