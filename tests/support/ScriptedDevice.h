// A scripted router for tests: canned CLI replies per virtual router and
// canned SNMP walks per context, with every request recorded.
//
//   ScriptedDevice device;
//   device.Reply("show mpls interface", "Interface ATM2/0.1 ...", "vr1");
//   device.AddWalkRow("ifDescr", "@vr1:red", "7", "ATM2/0.7");
//   harness.agent.DAGetRequester()->DSRSetTransport(&device);
#ifndef TESTS_SUPPORT_SCRIPTEDDEVICE_H_
#define TESTS_SUPPORT_SCRIPTEDDEVICE_H_

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/PelkRequester.h"

class ScriptedDevice : public CPelkRequestTransport {
 public:
  // The reply to `command` while the session is inside virtual router `vr`.
  // A command without a reply gets an atom without text.
  void Reply(const std::string& command, const std::string& text,
             const std::string& vr = "default");
  // Every session fails (null reply vector).
  void FailSessions(bool fail) { failSessions_ = fail; }
  // Session number `session` (0 for the first) returns one reply fewer than
  // commands asked.
  void DropLastReplyOfSession(size_t session) { dropLastReplyOf_ = session; }

  void AddWalkRow(const std::string& variable, const std::string& context,
                  const std::string& instance, int value);
  void AddWalkRow(const std::string& variable, const std::string& context,
                  const std::string& instance, const std::string& value);
  // The walk answers with an empty list instead of null.
  void EmptyWalk(const std::string& variable, const std::string& context);

  CKelAtomVector* RunCommands(CKelRecord* device,
                              const std::vector<std::string>& commands) override;
  CKelDoubleList* Walk(CKelRecord* device, const char* variable,
                       const std::string& context) override;

  // Recorded requests.
  const std::vector<std::vector<std::string>>& Sessions() const { return sessions_; }
  const std::vector<std::pair<std::string, std::string>>& Walks() const { return walks_; }

 private:
  struct Row {
    std::string instance;
    bool isInt;
    int intValue;
    std::string textValue;
  };
  std::map<std::pair<std::string, std::string>, std::string> replies_;        // (vr, command)
  std::map<std::pair<std::string, std::string>, std::vector<Row>> walkRows_;  // (var, context)
  bool failSessions_ = false;
  size_t dropLastReplyOf_ = static_cast<size_t>(-1);
  std::vector<std::vector<std::string>> sessions_;
  std::vector<std::pair<std::string, std::string>> walks_;
};

#endif  // TESTS_SUPPORT_SCRIPTEDDEVICE_H_
