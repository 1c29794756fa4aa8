#include "transports/SnmpWalker.h"

// net-snmp wants its configuration header first.
#include <net-snmp/library/large_fd_set.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "host/KelSnmp.h"

namespace {

const int kMaxRepetitions = 25;

// What a row holds in memory, roughly: the bound is on what is kept.
size_t RowBytes(const SnmpRow& row) {
  return sizeof row + row.text.capacity() + row.instance.capacity() * sizeof row.instance[0];
}

void InitLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    // No configuration files, no MIB files, no state saved in the user's home.
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    setenv("MIBS", "", 1);
    netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_DEBUG);
    init_snmp("erx-discover");
  });
}

bool ParseOid(const std::string& text, oid* parts, size_t& length) {
  std::vector<unsigned int> numbers;
  if (!CKelASN1Address::Parse(text, numbers) || numbers.size() > MAX_OID_LEN) return false;
  std::copy(numbers.begin(), numbers.end(), parts);
  length = numbers.size();
  return true;
}

bool IsPrintable(const u_char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if ((data[i] < 0x20 && data[i] != '\n' && data[i] != '\r' && data[i] != '\t') ||
        data[i] >= 0x7f) {
      return false;
    }
  }
  return true;
}

SnmpRow RowOf(const netsnmp_variable_list* var, size_t columnLength) {
  SnmpRow row;
  row.instance.assign(var->name + columnLength, var->name + var->name_length);
  char text[64];
  switch (var->type) {
    case ASN_INTEGER:
      row.type = SnmpRow::Type::kInteger;
      row.intValue = static_cast<int>(*var->val.integer);
      break;
    case ASN_OCTET_STR:
      if (IsPrintable(var->val.string, var->val_len)) {
        row.text.assign(reinterpret_cast<const char*>(var->val.string), var->val_len);
      } else {
        row.type = SnmpRow::Type::kHexString;
        for (size_t i = 0; i < var->val_len; ++i) {
          std::snprintf(text, sizeof text, "%s%02X", i ? " " : "", var->val.string[i]);
          row.text += text;
        }
      }
      break;
    case ASN_IPADDRESS:
      row.type = SnmpRow::Type::kIpAddress;
      if (var->val_len == 4) {
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", var->val.string[0], var->val.string[1],
                      var->val.string[2], var->val.string[3]);
        row.text = text;
      }
      break;
    case ASN_TIMETICKS:
      row.type = SnmpRow::Type::kTimeticks;
      row.text =
          "(" + std::to_string(static_cast<unsigned long>(*var->val.integer) & 0xffffffffUL) + ")";
      break;
    case ASN_OBJECT_ID:
      row.type = SnmpRow::Type::kOid;
      for (size_t i = 0; i < var->val_len / sizeof(oid); ++i) {
        row.text += "." + std::to_string(var->val.objid[i]);
      }
      break;
    default:  // counters, gauges, unsigned
      row.type = SnmpRow::Type::kUnsigned;
      row.text = std::to_string(static_cast<unsigned long>(*var->val.integer) & 0xffffffffUL);
      break;
  }
  return row;
}

// The user and keys of an SNMPv3 session; `name` is the context.
void SetUpVersion3(const SnmpSettings& settings, const std::string& name, netsnmp_session& setup) {
  setup.version = SNMP_VERSION_3;
  setup.securityName = const_cast<char*>(settings.v3User.name.c_str());
  setup.securityNameLen = settings.v3User.name.size();
  setup.contextName = const_cast<char*>(name.c_str());
  setup.contextNameLen = name.size();
  setup.securityLevel = SNMP_SEC_LEVEL_NOAUTH;
  if (!settings.v3User.authKey.empty()) {
    const bool md5 = settings.v3User.authProtocol == "MD5";
    setup.securityAuthProto = md5 ? usmHMACMD5AuthProtocol : usmHMACSHA1AuthProtocol;
    setup.securityAuthProtoLen = USM_AUTH_PROTO_MD5_LEN;  // both are 10 long
    setup.securityAuthKeyLen = USM_AUTH_KU_LEN;
    const std::string& key = settings.v3User.authKey;
    if (generate_Ku(setup.securityAuthProto, setup.securityAuthProtoLen,
                    reinterpret_cast<const u_char*>(key.data()), key.size(), setup.securityAuthKey,
                    &setup.securityAuthKeyLen) == SNMPERR_SUCCESS) {
      setup.securityLevel = SNMP_SEC_LEVEL_AUTHNOPRIV;
    }
    if (!settings.v3User.privKey.empty() && setup.securityLevel == SNMP_SEC_LEVEL_AUTHNOPRIV) {
      const bool des = settings.v3User.privProtocol == "DES";
      setup.securityPrivProto = des ? usmDESPrivProtocol : usmAESPrivProtocol;
      setup.securityPrivProtoLen = USM_PRIV_PROTO_DES_LEN;
      setup.securityPrivKeyLen = USM_PRIV_KU_LEN;
      const std::string& priv = settings.v3User.privKey;
      if (generate_Ku(setup.securityAuthProto, setup.securityAuthProtoLen,
                      reinterpret_cast<const u_char*>(priv.data()), priv.size(),
                      setup.securityPrivKey, &setup.securityPrivKeyLen) == SNMPERR_SUCCESS) {
        setup.securityLevel = SNMP_SEC_LEVEL_AUTHPRIV;
      }
    }
  }
}

}  // namespace

SnmpWalker::SnmpWalker(SnmpSettings settings) : settings_(std::move(settings)) { InitLibrary(); }

SnmpWalker::~SnmpWalker() {
  // Closing a session may still call back into its fetch: the fetches go last.
  for (auto& entry : sessions_) {
    if (entry.second) snmp_sess_close(entry.second);
  }
  sessions_.clear();
  fetches_.clear();
}

void* SnmpWalker::SessionFor(const std::string& context) {
  auto known = sessions_.find(context);
  if (known != sessions_.end()) return known->second;

  const std::string name = context.empty() ? "" : context.substr(context[0] == '@' ? 1 : 0);
  std::string peer = "udp:" + settings_.address + ":" + std::to_string(settings_.port);
  std::string community;
  netsnmp_session setup;
  snmp_sess_init(&setup);
  setup.peername = &peer[0];
  setup.timeout = static_cast<long>(settings_.limits.timeoutMs) * 1000;
  setup.retries = settings_.limits.retries;
  if (!settings_.v3) {
    auto own = settings_.contextCommunities.find(name);
    community = own != settings_.contextCommunities.end() ? own->second
                : name.empty()                            ? settings_.community
                                                          : settings_.community + "@" + name;
    setup.version = SNMP_VERSION_2c;
    setup.community = reinterpret_cast<u_char*>(&community[0]);
    setup.community_len = community.size();
  } else {
    SetUpVersion3(settings_, name, setup);
  }
  void* session = snmp_sess_open(&setup);
  // The keys were copied into the session; wipe the local copies.
  for (auto& byte : community) byte = 0;
  sessions_[context] = session;
  return session;
}

// One column being walked: the rows so far and where the next request starts.
struct SnmpWalker::Column {
  std::string text;
  oid base[MAX_OID_LEN];
  size_t baseLength = 0;
  oid next[MAX_OID_LEN];
  size_t nextLength = 0;
  std::vector<SnmpRow> rows;
  size_t bytes = 0;
  ColumnState state = ColumnState::kFetching;
};

// The columns of one context, and its request in flight.
struct SnmpWalker::Fetch {
  SnmpWalker* walker = nullptr;
  std::string context;
  void* session = nullptr;
  std::vector<std::unique_ptr<Column>> columns;
  std::vector<Column*> sent;  // the columns of the request in flight, in varbind order
  FetchState state = FetchState::kIdle;

  bool InFlight() const { return state == FetchState::kInFlight; }
  static bool Open(const Column& column) { return column.state == ColumnState::kFetching; }
};

namespace {

// A prefetched column stops here; what a larger table holds beyond waits for
// the host's walk, so that guessed contexts cannot fill memory.
const size_t kPrefetchRows = 500;

// Follows one answer's variable into `column`; false when it leaves the column.
bool FollowRow(const netsnmp_variable_list* var, SnmpRow& row, const oid* base, size_t baseLength,
               oid* next, size_t& nextLength) {
  const bool inColumn = var->name_length > baseLength &&
                        snmp_oid_compare(var->name, baseLength, base, baseLength) == 0;
  const bool forward = snmp_oid_compare(var->name, var->name_length, next, nextLength) > 0;
  if (!inColumn || !forward || var->type == SNMP_ENDOFMIBVIEW || var->type == SNMP_NOSUCHOBJECT ||
      var->type == SNMP_NOSUCHINSTANCE) {
    return false;
  }
  row = RowOf(var, baseLength);
  std::copy(var->name, var->name + var->name_length, next);
  nextLength = var->name_length;
  return true;
}

}  // namespace

SnmpWalker::Fetch& SnmpWalker::FetchFor(const std::string& context) {
  std::unique_ptr<Fetch>& fetch = fetches_[context];
  if (!fetch) {
    fetch = std::make_unique<Fetch>();
    fetch->walker = this;
    fetch->context = context;
    fetch->session = SessionFor(context);
  }
  return *fetch;
}

SnmpWalker::Column* SnmpWalker::Include(Fetch& fetch, const std::string& columnOid) {
  for (auto& column : fetch.columns) {
    if (column->text == columnOid) return column.get();
  }
  auto column = std::make_unique<Column>();
  if (columnOid.empty() || !ParseOid(columnOid, column->base, column->baseLength)) return nullptr;
  column->text = columnOid;
  std::copy(column->base, column->base + column->baseLength, column->next);
  column->nextLength = column->baseLength;
  fetch.columns.push_back(std::move(column));
  return fetch.columns.back().get();
}

void SnmpWalker::Send(Fetch& fetch) {
  fetch.sent.clear();
  if (!fetch.session || fetch.state == FetchState::kStopped || fetch.state == FetchState::kSilent ||
      fetch.InFlight()) {
    return;
  }
  fetch.state = FetchState::kIdle;
  netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_GETBULK);
  request->non_repeaters = 0;
  request->max_repetitions = kMaxRepetitions;
  for (auto& column : fetch.columns) {
    if (!fetch.Open(*column)) continue;
    snmp_add_null_var(request, column->next, column->nextLength);
    fetch.sent.push_back(column.get());
  }
  if (fetch.sent.empty()) {
    snmp_free_pdu(request);
    return;
  }
  ++requests_;
  if (!snmp_sess_async_send(fetch.session, request, &SnmpWalker::OnAnswer, &fetch)) {
    snmp_free_pdu(request);
    fetch.state = FetchState::kStopped;
    return;
  }
  fetch.state = FetchState::kInFlight;
}

int SnmpWalker::OnAnswer(int operation, netsnmp_session*, int, netsnmp_pdu* pdu, void* magic) {
  Fetch& fetch = *static_cast<Fetch*>(magic);
  // A context found silent meanwhile stays so.
  if (fetch.state == FetchState::kSilent) return 1;
  // Late is not dead: many requests at once may each wait behind the others.
  // After a timeout, the host's own walk, one request at a time, decides
  // whether the context answers.
  if (operation != NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE || !pdu ||
      pdu->command != SNMP_MSG_RESPONSE || pdu->errstat != SNMP_ERR_NOERROR) {
    fetch.state = FetchState::kStopped;
    return 1;
  }
  // The answer repeats the request's varbinds in turn, one column after another.
  const size_t width = fetch.sent.size();
  std::vector<bool> ended(width, false);
  bool moved = false;
  size_t at = 0;
  for (netsnmp_variable_list* var = pdu->variables; var && width; var = var->next_variable, ++at) {
    Column& column = *fetch.sent[at % width];
    if (ended[at % width] || !fetch.Open(column)) continue;
    SnmpRow row;
    if (!FollowRow(var, row, column.base, column.baseLength, column.next, column.nextLength)) {
      ended[at % width] = true;
      column.state = ColumnState::kComplete;
      moved = true;
      continue;
    }
    column.rows.push_back(std::move(row));
    column.bytes += RowBytes(column.rows.back());
    moved = true;
    if (column.rows.size() >= kPrefetchRows) column.state = ColumnState::kPaused;
  }
  // An agent that answers without moving on is left to the host's walks and their bounds.
  fetch.state = moved ? FetchState::kAnswered : FetchState::kStopped;
  return 1;
}

template <typename Done>
void SnmpWalker::HandleAnswersUntil(Done done) {
  while (!done()) {
    int fds = 0, block = 0;
    timeval wait{1, 0};
    netsnmp_large_fd_set readable;
    netsnmp_large_fd_set_init(&readable, FD_SETSIZE);
    std::vector<Fetch*> waiting;
    for (auto& entry : fetches_) {
      Fetch& fetch = *entry.second;
      if (!fetch.InFlight()) continue;
      snmp_sess_select_info2(fetch.session, &fds, &readable, &wait, &block);
      waiting.push_back(&fetch);
    }
    if (waiting.empty()) {
      netsnmp_large_fd_set_cleanup(&readable);
      return;
    }
    const int ready = netsnmp_large_fd_set_select(fds, &readable, nullptr, nullptr, &wait);
    for (Fetch* fetch : waiting) {
      if (ready > 0) snmp_sess_read2(fetch->session, &readable);
      if (fetch->InFlight()) snmp_sess_timeout(fetch->session);
    }
    netsnmp_large_fd_set_cleanup(&readable);
    for (Fetch* fetch : waiting) {
      if (fetch->state == FetchState::kSilent && fetch->session) {
        snmp_sess_close(fetch->session);
        sessions_[fetch->context] = fetch->session = nullptr;
      } else if (fetch->state == FetchState::kAnswered) {
        Send(*fetch);
      }
    }
  }
}

void SnmpWalker::Prefetch(const std::string& context, const std::vector<std::string>& columnOids) {
  auto known = sessions_.find(context);
  if (known != sessions_.end() && !known->second) return;
  Fetch& fetch = FetchFor(context);
  for (const std::string& columnOid : columnOids) Include(fetch, columnOid);
  if (!fetch.InFlight()) Send(fetch);
}

std::optional<std::vector<SnmpRow>> SnmpWalker::Walk(const std::string& context,
                                                     const std::string& columnOid,
                                                     std::string* cut) {
  oid parsed[MAX_OID_LEN];
  size_t parsedLength = 0;
  if (columnOid.empty() || !ParseOid(columnOid, parsed, parsedLength))
    return std::vector<SnmpRow>();
  if (!SessionFor(context)) return std::nullopt;
  Fetch& fetch = FetchFor(context);
  Column* column = Include(fetch, columnOid);
  if (column->state == ColumnState::kHandedOver) {
    // Asked twice: the second walk starts over, once the context is quiet.
    HandleAnswersUntil([&] { return !fetch.InFlight(); });
    if (fetch.state == FetchState::kSilent) return std::nullopt;
    Column again;
    std::copy(column->base, column->base + column->baseLength, again.base);
    again.baseLength = column->baseLength;
    std::copy(again.base, again.base + again.baseLength, again.next);
    again.nextLength = again.baseLength;
    return Follow(fetch.session, context, again, false, cut);
  }
  if (!fetch.InFlight()) Send(fetch);
  HandleAnswersUntil([&] { return column->state == ColumnState::kComplete || !fetch.InFlight(); });
  if (fetch.state == FetchState::kSilent) return std::nullopt;
  const bool complete = column->state == ColumnState::kComplete;
  column->state = ColumnState::kHandedOver;
  // Rows fetched ahead count against the bounds as if walked now.
  return Follow(fetch.session, context, *column, complete, cut);
}

// Adds the rows of an answer that stay in `column`; false once one leaves it.
bool SnmpWalker::AppendRows(const netsnmp_variable_list* var, Column& column,
                            std::vector<SnmpRow>& rows, size_t& bytes) {
  for (; var; var = var->next_variable) {
    SnmpRow row;
    if (!FollowRow(var, row, column.base, column.baseLength, column.next, column.nextLength))
      return false;
    rows.push_back(std::move(row));
    bytes += RowBytes(rows.back());
  }
  return true;
}

std::string SnmpWalker::BoundPassed(size_t rows, size_t bytes,
                                    std::chrono::steady_clock::time_point started) const {
  if (rows >= settings_.limits.maxWalkRows) {
    return "it ran past " + std::to_string(settings_.limits.maxWalkRows) + " rows";
  }
  if (bytes > settings_.limits.maxWalkBytes) {
    return "it ran past " + std::to_string(settings_.limits.maxWalkBytes >> 20) + " MiB";
  }
  if (settings_.limits.walkTimeoutMs > 0 &&
      std::chrono::steady_clock::now() - started >
          std::chrono::milliseconds(settings_.limits.walkTimeoutMs)) {
    return "it took longer than " + std::to_string(settings_.limits.walkTimeoutMs / 1000) + " s";
  }
  return "";
}

void SnmpWalker::Silence(const std::string& context) {
  auto& session = sessions_[context];
  if (session) snmp_sess_close(session);
  session = nullptr;
  Fetch& fetch = *fetches_[context];
  fetch.session = nullptr;
  fetch.state = FetchState::kSilent;
}

// Goes on with `column` one request at a time, under the bounds of a walk;
// `complete`: the rows fetched ahead already left the column.
std::optional<std::vector<SnmpRow>> SnmpWalker::Follow(void* session, const std::string& context,
                                                       Column& column, bool complete,
                                                       std::string* cut) {
  std::vector<SnmpRow> rows = std::move(column.rows);
  size_t bytes = column.bytes;
  const auto started = std::chrono::steady_clock::now();
  for (bool more = true; more;) {
    const std::string bound = BoundPassed(rows.size(), bytes, started);
    if (!bound.empty()) {
      if (cut) *cut = bound + " (" + std::to_string(rows.size()) + " rows)";
      return std::nullopt;
    }
    if (complete) break;
    netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_GETBULK);
    request->non_repeaters = 0;
    request->max_repetitions = kMaxRepetitions;
    snmp_add_null_var(request, column.next, column.nextLength);
    netsnmp_pdu* response = nullptr;
    ++requests_;
    const int status = snmp_sess_synch_response(session, request, &response);
    if (status == STAT_TIMEOUT || (status != STAT_SUCCESS && rows.empty())) {
      if (response) snmp_free_pdu(response);
      Silence(context);
      return std::nullopt;
    }
    more = status == STAT_SUCCESS && response && response->errstat == SNMP_ERR_NOERROR &&
           AppendRows(response->variables, column, rows, bytes);
    if (response) snmp_free_pdu(response);
  }
  return rows;
}
