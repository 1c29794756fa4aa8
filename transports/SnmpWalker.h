// Column walks over SNMP (net-snmp), in the contexts of virtual routers and
// VRFs. The host names a context as "" (none), "@vr1" or "@vr1:red":
//
//   SNMPv2c  the context goes into the community: "public@vr1:red", unless a
//            community of its own is set for "vr1:red"
//   SNMPv3   the context text without "@" is the context name: "vr1:red"
//
// A context that does not answer is remembered and not asked again. A walk is
// bounded in rows, in bytes kept and in time (`walkTimeoutMs`): an agent that
// answers every request with one more row cannot take the run's memory or
// time, and such a walk gives nothing.
//
// Prefetch() starts walking columns that the host is expected to ask, several
// columns per request and several contexts at once, without waiting for the
// answers. A later Walk() of such a column takes the rows gathered so far and
// goes on from there one request at a time, so it returns exactly what a walk
// from scratch would. Rows of columns never asked are dropped with the walker.
#ifndef TRANSPORTS_SNMPWALKER_H_
#define TRANSPORTS_SNMPWALKER_H_

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "captures/SnmpRow.h"

// SNMPv3's user and keys; a protocol without its key is not used.
struct SnmpV3User {
  std::string name;
  std::string authProtocol = "SHA";  // SHA or MD5
  std::string authKey;
  std::string privProtocol = "AES";  // AES or DES
  std::string privKey;
};

// How long a request and a walk may take, and how much a walk may keep.
struct SnmpLimits {
  int timeoutMs = 5000;
  int retries = 1;
  int walkTimeoutMs = 0;  // a whole walk; 0: no limit
  // Tests lower these to reach them in a moment.
  size_t maxWalkRows = 1000000;
  size_t maxWalkBytes = size_t{64} << 20;  // whole MiB
};

struct SnmpSettings {
  std::string address = "127.0.0.1";
  int port = 161;
  bool v3 = false;
  std::string community = "public";
  std::map<std::string, std::string> contextCommunities;  // "vr1:red" -> community
  SnmpV3User v3User;
  SnmpLimits limits;
};

class SnmpWalker {
 public:
  explicit SnmpWalker(SnmpSettings settings);
  ~SnmpWalker();
  SnmpWalker(const SnmpWalker&) = delete;
  SnmpWalker& operator=(const SnmpWalker&) = delete;

  // The rows of one column, in OID order; nullopt when the context gave no
  // answer, or when the walk passed a bound (`cut` then says which). A column
  // the device lacks gives an empty list.
  std::optional<std::vector<SnmpRow>> Walk(const std::string& context, const std::string& columnOid,
                                           std::string* cut = nullptr);
  // Asks for `columnOids` in `context` in the background; a column already
  // asked there is not asked again. Cheap to call for a wrong guess: it costs
  // a request, or a timeout spent while other answers arrive.
  void Prefetch(const std::string& context, const std::vector<std::string>& columnOids);
  // Requests sent, for prefetched and plain walks alike.
  int Requests() const { return requests_; }
  // "127.0.0.1:161"
  std::string Where() const { return settings_.address + ":" + std::to_string(settings_.port); }

 private:
  // Where the prefetch of a column stands.
  enum class ColumnState {
    kFetching,   // asked ahead with the other columns of its context
    kPaused,     // prefetched enough; the rest waits for the host's walk
    kComplete,   // left its column: the rows are complete
    kHandedOver  // given to the host's walk, which goes on alone
  };
  // Where the requests of a context stand.
  enum class FetchState {
    kIdle,      // nothing asked, or nothing left to ask
    kInFlight,  // a request awaits its answer
    kAnswered,  // answered; the columns still fetching want the next request
    kStopped,   // an answer that a walk would end on: the host's walks go on alone
    kSilent     // the context did not answer the host's walk
  };
  struct Column;
  struct Fetch;
  void* SessionFor(const std::string& context);
  Fetch& FetchFor(const std::string& context);
  Column* Include(Fetch& fetch, const std::string& columnOid);
  void Send(Fetch& fetch);
  static int OnAnswer(int operation, struct snmp_session* session, int request,
                      struct snmp_pdu* pdu, void* magic);
  // Handles answers and timeouts of requests in flight until `done` or none is left.
  template <typename Done>
  void HandleAnswersUntil(Done done);
  std::optional<std::vector<SnmpRow>> Follow(void* session, const std::string& context,
                                             Column& column, bool complete, std::string* cut);
  // Which bound of a walk these rows passed; empty when none.
  std::string BoundPassed(size_t rows, size_t bytes,
                          std::chrono::steady_clock::time_point started) const;
  static bool AppendRows(const struct variable_list* var, Column& column,
                         std::vector<SnmpRow>& rows, size_t& bytes);
  // Closes the context's session: it is not asked again.
  void Silence(const std::string& context);

  SnmpSettings settings_;
  std::map<std::string, void*> sessions_;  // by context; null once it did not answer
  std::map<std::string, std::unique_ptr<Fetch>> fetches_;  // by context
  int requests_ = 0;
};

#endif  // TRANSPORTS_SNMPWALKER_H_
