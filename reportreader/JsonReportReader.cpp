#include "reportreader/JsonReportReader.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include <stdexcept>

namespace {

using Value = rapidjson::Value;

// A fault in the report's shape; caught in ReadJsonReport.
struct Malformed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

const Value* Member(const Value& object, const char* key) {
  const auto found = object.FindMember(key);
  return found == object.MemberEnd() ? nullptr : &found->value;
}

const Value& Required(const Value& object, const char* key) {
  const Value* value = Member(object, key);
  if (!value) throw Malformed(std::string("no \"") + key + "\"");
  return *value;
}

std::string String(const Value& value, const char* key) {
  if (!value.IsString()) throw Malformed(std::string("\"") + key + "\" is not a string");
  return std::string(value.GetString(), value.GetStringLength());
}

int Int(const Value& value, const char* key) {
  if (!value.IsInt()) throw Malformed(std::string("\"") + key + "\" is not a whole number");
  return value.GetInt();
}

const Value& Array(const Value& value, const char* key) {
  if (!value.IsArray()) throw Malformed(std::string("\"") + key + "\" is not a list");
  return value;
}

const Value& Object(const Value& value, const char* key) {
  if (!value.IsObject()) throw Malformed(std::string("\"") + key + "\" is not an object");
  return value;
}

// Optional fields: left as they are when the key is absent.
template <typename Optional>
void Read(const Value& object, const char* key, Optional& into) {
  const Value* value = Member(object, key);
  if (value) into = String(*value, key);
}

void Read(const Value& object, const char* key, report::Number& into) {
  const Value* value = Member(object, key);
  if (value) into = Int(*value, key);
}

void Read(const Value& object, const char* key, report::Texts& into) {
  const Value* value = Member(object, key);
  if (!value) return;
  into.emplace();
  for (const Value& item : Array(*value, key).GetArray()) into->push_back(String(item, key));
}

void Read(const Value& object, const char* key, report::Numbers& into) {
  const Value* value = Member(object, key);
  if (!value) return;
  into.emplace();
  for (const Value& item : Array(*value, key).GetArray()) into->push_back(Int(item, key));
}

std::vector<std::string> Strings(const Value& object, const char* key) {
  report::Texts texts;
  Read(object, key, texts);
  return texts.value_or(std::vector<std::string>());
}

// Each object of the list `key`, read by `row`.
template <typename Row, typename ReadRow>
void ReadList(const Value& object, const char* key, std::vector<Row>& rows, ReadRow row) {
  for (const Value& item : Array(Required(object, key), key).GetArray()) {
    rows.emplace_back();
    row(Object(item, key), rows.back());
  }
}

void ReadLabelEntry(const Value& e, report::LabelEntry& entry) {
  Read(e, "virtualRouter", entry.virtualRouter);
  Read(e, "lspName", entry.lspName);
  Read(e, "inLabel", entry.inLabel);
  Read(e, "outLabel", entry.outLabel);
  Read(e, "outIfIndex", entry.outIfIndex);
  Read(e, "outInterface", entry.outInterface);
  Read(e, "nextHop", entry.nextHop);
  Read(e, "inIfIndexes", entry.inIfIndexes);
  Read(e, "inInterfaces", entry.inInterfaces);
  Read(e, "inInterface", entry.inInterface);
  Read(e, "owner", entry.owner);
  Read(e, "action", entry.action);
  Read(e, "actionText", entry.actionText);
  Read(e, "pushLabels", entry.pushLabels);
  Read(e, "labelSpace", entry.labelSpace);
  Read(e, "layout", entry.layout);
}

void ReadVrf(const Value& v, report::Vrf& vrf) {
  Read(v, "virtualRouter", vrf.virtualRouter);
  Read(v, "name", vrf.name);
  Read(v, "routeDistinguisher", vrf.routeDistinguisher);
  Read(v, "exportRouteTargets", vrf.exportRouteTargets);
  Read(v, "importRouteTargets", vrf.importRouteTargets);
  Read(v, "ifIndexes", vrf.ifIndexes);
  if (!Member(v, "impositions")) return;
  vrf.impositions.emplace();
  ReadList(v, "impositions", *vrf.impositions, [](const Value& i, report::Imposition& imposition) {
    Read(i, "label", imposition.label);
    Read(i, "destination", imposition.destination);
    Read(i, "ifIndex", imposition.ifIndex);
    Read(i, "interface", imposition.interface);
    Read(i, "nextHop", imposition.nextHop);
  });
}

void ReadHealth(const Value& h, report::Health& health) {
  const std::string status = String(Required(h, "status"), "status");
  if (status == "ok") {
    health.status = report::HealthStatus::kOk;
  } else if (status == "partial") {
    health.status = report::HealthStatus::kPartial;
  } else if (status == "failed") {
    health.status = report::HealthStatus::kFailed;
  } else {
    throw Malformed("\"status\" is not ok, partial or failed");
  }
  const Value& cli = Object(Required(h, "cli"), "cli");
  health.cliSource = String(Required(cli, "source"), "source");
  health.commandsSent = Int(Required(cli, "sent"), "sent");
  health.commandsAnswered = Int(Required(cli, "answered"), "answered");
  health.commandsRefused = Int(Required(cli, "refused"), "refused");
  health.commandsTimedOut = Int(Required(cli, "timedOut"), "timedOut");
  health.commandsCutOff = Int(Required(cli, "cutOff"), "cutOff");
  health.commandsNotSent = Int(Required(cli, "notSent"), "notSent");
  health.reconnections = Int(Required(cli, "reconnections"), "reconnections");
  const Value& snmp = Object(Required(h, "snmp"), "snmp");
  health.snmpSource = String(Required(snmp, "source"), "source");
  health.walksAnswered = Int(Required(snmp, "walksAnswered"), "walksAnswered");
  health.walksUnanswered = Int(Required(snmp, "walksUnanswered"), "walksUnanswered");
  health.silentContexts = Strings(snmp, "silentContexts");
  health.problems = Strings(h, "problems");
}

void ReadReport(const Value& r, report::Report& found) {
  found.device = String(Required(r, "device"), "device");
  found.agent = String(Required(r, "agent"), "agent");
  if (Member(r, "generator")) found.generator = String(Required(r, "generator"), "generator");
  ReadList(r, "virtualRouters", found.virtualRouters,
           [](const Value& v, report::VirtualRouter& router) {
             Read(v, "name", router.name);
             Read(v, "vrfs", router.vrfs);
           });
  ReadList(r, "labelEntries", found.labelEntries, ReadLabelEntry);
  ReadList(r, "vrfs", found.vrfs, ReadVrf);
  ReadList(r, "interfaces", found.interfaces, [](const Value& i, report::Interface& interface) {
    interface.ifIndex = Int(Required(i, "ifIndex"), "ifIndex");
    Read(i, "ifDescr", interface.ifDescr);
    Read(i, "virtualRouter", interface.virtualRouter);
    Read(i, "vrf", interface.vrf);
  });
  ReadList(r, "ipAddresses", found.ipAddresses, [](const Value& a, report::IpAddress& address) {
    address.virtualRouter = String(Required(a, "virtualRouter"), "virtualRouter");
    address.address = String(Required(a, "address"), "address");
    Read(a, "ifIndex", address.ifIndex);
  });
  ReadList(r, "errors", found.errors, [](const Value& e, report::Error& error) {
    error.code = Int(Required(e, "code"), "code");
    error.source = String(Required(e, "source"), "source");
    error.line = Int(Required(e, "line"), "line");
    Read(e, "text", error.text);
  });
  ReadList(r, "warnings", found.warnings, [](const Value& w, report::Warning& warning) {
    warning.text = String(Required(w, "text"), "text");
    Read(w, "virtualRouter", warning.virtualRouter);
    Read(w, "vrf", warning.vrf);
  });
  ReadHealth(Object(Required(r, "health"), "health"), found.health);
}

}  // namespace

bool ReadJsonReport(const std::string& json, report::Report& found, std::string& problem) {
  rapidjson::Document document;
  document.Parse(json.data(), json.size());
  if (document.HasParseError()) {
    problem = std::string("the report is not JSON: ") +
              rapidjson::GetParseError_En(document.GetParseError()) + " at byte " +
              std::to_string(document.GetErrorOffset());
    return false;
  }
  report::Report read;
  try {
    ReadReport(Object(document, "report"), read);
  } catch (const Malformed& fault) {
    problem = std::string("the report is not one erx-discover writes: ") + fault.what();
    return false;
  }
  found = std::move(read);
  return true;
}
