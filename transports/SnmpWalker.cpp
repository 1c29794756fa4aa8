#include "transports/SnmpWalker.h"

// net-snmp wants its configuration header first.
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

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
  length = 0;
  size_t at = text[0] == '.' ? 1 : 0;
  while (at < text.size() && length < MAX_OID_LEN) {
    char* end = nullptr;
    parts[length++] = std::strtoul(text.c_str() + at, &end, 10);
    at = static_cast<size_t>(end - text.c_str()) + 1;
  }
  return length > 0;
}

bool IsPrintable(const u_char* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if ((data[i] < 0x20 && data[i] != '\n' && data[i] != '\r' && data[i] != '\t') || data[i] >= 0x7f) {
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
      row.text = "(" + std::to_string(static_cast<unsigned long>(*var->val.integer) & 0xffffffffUL) + ")";
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

}  // namespace

SnmpWalker::SnmpWalker(SnmpSettings settings) : settings_(std::move(settings)) { InitLibrary(); }

SnmpWalker::~SnmpWalker() {
  for (auto& entry : sessions_) {
    if (entry.second) snmp_sess_close(entry.second);
  }
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
  setup.timeout = static_cast<long>(settings_.timeoutMs) * 1000;
  setup.retries = settings_.retries;
  if (!settings_.v3) {
    auto own = settings_.contextCommunities.find(name);
    community = own != settings_.contextCommunities.end() ? own->second
                : name.empty()                           ? settings_.community
                                                         : settings_.community + "@" + name;
    setup.version = SNMP_VERSION_2c;
    setup.community = reinterpret_cast<u_char*>(&community[0]);
    setup.community_len = community.size();
  } else {
    setup.version = SNMP_VERSION_3;
    setup.securityName = const_cast<char*>(settings_.user.c_str());
    setup.securityNameLen = settings_.user.size();
    setup.contextName = const_cast<char*>(name.c_str());
    setup.contextNameLen = name.size();
    setup.securityLevel = SNMP_SEC_LEVEL_NOAUTH;
    if (!settings_.authKey.empty()) {
      const bool md5 = settings_.authProtocol == "MD5";
      setup.securityAuthProto = md5 ? usmHMACMD5AuthProtocol : usmHMACSHA1AuthProtocol;
      setup.securityAuthProtoLen = USM_AUTH_PROTO_MD5_LEN;  // both are 10 long
      setup.securityAuthKeyLen = USM_AUTH_KU_LEN;
      const std::string& key = settings_.authKey;
      if (generate_Ku(setup.securityAuthProto, setup.securityAuthProtoLen,
                      reinterpret_cast<const u_char*>(key.data()), key.size(),
                      setup.securityAuthKey, &setup.securityAuthKeyLen) == SNMPERR_SUCCESS) {
        setup.securityLevel = SNMP_SEC_LEVEL_AUTHNOPRIV;
      }
      if (!settings_.privKey.empty() && setup.securityLevel == SNMP_SEC_LEVEL_AUTHNOPRIV) {
        const bool des = settings_.privProtocol == "DES";
        setup.securityPrivProto = des ? usmDESPrivProtocol : usmAESPrivProtocol;
        setup.securityPrivProtoLen = USM_PRIV_PROTO_DES_LEN;
        setup.securityPrivKeyLen = USM_PRIV_KU_LEN;
        const std::string& priv = settings_.privKey;
        if (generate_Ku(setup.securityAuthProto, setup.securityAuthProtoLen,
                        reinterpret_cast<const u_char*>(priv.data()), priv.size(),
                        setup.securityPrivKey, &setup.securityPrivKeyLen) == SNMPERR_SUCCESS) {
          setup.securityLevel = SNMP_SEC_LEVEL_AUTHPRIV;
        }
      }
    }
  }
  void* session = snmp_sess_open(&setup);
  // The keys were copied into the session; wipe the local copies.
  for (auto& byte : community) byte = 0;
  sessions_[context] = session;
  return session;
}

std::optional<std::vector<SnmpRow>> SnmpWalker::Walk(const std::string& context,
                                                     const std::string& columnOid,
                                                     std::string* cut) {
  oid column[MAX_OID_LEN], next[MAX_OID_LEN];
  size_t columnLength = 0, nextLength = 0;
  if (columnOid.empty() || !ParseOid(columnOid, column, columnLength)) return std::vector<SnmpRow>();
  void* session = SessionFor(context);
  if (!session) return std::nullopt;
  std::copy(column, column + columnLength, next);
  nextLength = columnLength;

  std::vector<SnmpRow> rows;
  size_t bytes = 0;
  const auto started = std::chrono::steady_clock::now();
  for (bool more = true; more;) {
    std::string bound;
    if (rows.size() >= settings_.maxWalkRows) {
      bound = "it ran past " + std::to_string(settings_.maxWalkRows) + " rows";
    } else if (bytes > settings_.maxWalkBytes) {
      bound = "it ran past " + std::to_string(settings_.maxWalkBytes >> 20) + " MiB";
    } else if (settings_.walkTimeoutMs > 0 &&
               std::chrono::steady_clock::now() - started >
                   std::chrono::milliseconds(settings_.walkTimeoutMs)) {
      bound = "it took longer than " + std::to_string(settings_.walkTimeoutMs / 1000) + " s";
    }
    if (!bound.empty()) {
      if (cut) *cut = bound + " (" + std::to_string(rows.size()) + " rows)";
      return std::nullopt;
    }
    netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_GETBULK);
    request->non_repeaters = 0;
    request->max_repetitions = kMaxRepetitions;
    snmp_add_null_var(request, next, nextLength);
    netsnmp_pdu* response = nullptr;
    const int status = snmp_sess_synch_response(session, request, &response);
    if (status == STAT_TIMEOUT || (status != STAT_SUCCESS && rows.empty())) {
      if (response) snmp_free_pdu(response);
      snmp_sess_close(session);
      sessions_[context] = nullptr;
      return std::nullopt;
    }
    more = status == STAT_SUCCESS && response && response->errstat == SNMP_ERR_NOERROR;
    for (netsnmp_variable_list* var = more ? response->variables : nullptr; var && more;
         var = var->next_variable) {
      const bool inColumn = var->name_length > columnLength &&
                            snmp_oid_compare(var->name, columnLength, column, columnLength) == 0;
      const bool forward = snmp_oid_compare(var->name, var->name_length, next, nextLength) > 0;
      if (!inColumn || !forward || var->type == SNMP_ENDOFMIBVIEW ||
          var->type == SNMP_NOSUCHOBJECT || var->type == SNMP_NOSUCHINSTANCE) {
        more = false;
        break;
      }
      rows.push_back(RowOf(var, columnLength));
      bytes += RowBytes(rows.back());
      std::copy(var->name, var->name + var->name_length, next);
      nextLength = var->name_length;
    }
    if (response) snmp_free_pdu(response);
  }
  return rows;
}
