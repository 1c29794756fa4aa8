// What a live session saw, written as a captured device folder (the layout
// that `erx-discover --capture` reads):
//
//   DIR/cli.log            every command after login on its prompt line, then its reply
//   DIR/snmp.walk          the walks without context, as `snmpwalk -On` prints them
//   DIR/snmp/CONTEXT.walk  the walks of context "@CONTEXT"
//
// Only commands and replies are recorded, never the login, so no password
// reaches the folder. A command that got no reply is left out, as a capture
// shows a router that gave none. The walks of a context whose name holds a
// '/' are not saved.
#ifndef CAPTURES_CAPTURERECORDER_H_
#define CAPTURES_CAPTURERECORDER_H_

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "captures/SnmpRow.h"
#include "status/Status.h"

class CaptureRecorder {
 public:
  void Command(const std::string& prompt, const std::string& command, const std::string& reply);
  // The prompt the session ended on, closing the last reply.
  void LastPrompt(const std::string& prompt) { lastPrompt_ = prompt; }
  // A walk of one column; only the first walk of a column per context counts.
  void Walk(const std::string& context, const std::string& columnOid,
            const std::vector<SnmpRow>& rows);

  Status Save(const std::string& dir) const;

 private:
  std::string cliLog_;
  std::string lastPrompt_;
  std::map<std::string, std::string> walks_;  // by context, walk lines
  std::set<std::pair<std::string, std::string>> walked_;
};

#endif  // CAPTURES_CAPTURERECORDER_H_
