// Keeps what the router answered to `show mpls forwarding brief` in each
// virtual router when the reply is the later releases' table by incoming
// label, which the module does not read. Stands between the agent's requester
// and the real transport (capture or live router) and passes everything on
// unchanged, so the host reads afterwards the very text the module saw.
//
//   ForwardingReplies tap(transport);
//   agent->DAGetRequester()->DSRSetTransport(&tap);
//   ... the agent's discovery ...
//   for (const auto& [vr, reply] : tap.LabelTables()) ...
#ifndef DISCOVERY_FORWARDINGREPLIES_H_
#define DISCOVERY_FORWARDINGREPLIES_H_

#include <string>
#include <utility>
#include <vector>

#include "host/PelkRequester.h"

class ForwardingReplies : public CPelkRequestTransport {
 public:
  explicit ForwardingReplies(CPelkRequestTransport& inner) : inner_(inner) {}

  // Each request starts in virtual router "default", as a session does, and
  // follows its "virtual-router NAME" commands.
  CKelAtomVector* RunCommands(CKelRecord* device,
                              const std::vector<std::string>& commands) override;
  CKelDoubleList* Walk(CKelRecord* device, const char* variable,
                       const std::string& context) override {
    return inner_.Walk(device, variable, context);
  }
  void ForgetReplies() override { inner_.ForgetReplies(); }

  // (virtual router, reply) in the order the replies came; the last reply of
  // a virtual router counts.
  const std::vector<std::pair<std::string, std::string>>& LabelTables() const { return tables_; }

 private:
  CPelkRequestTransport& inner_;
  std::vector<std::pair<std::string, std::string>> tables_;
};

#endif  // DISCOVERY_FORWARDINGREPLIES_H_
