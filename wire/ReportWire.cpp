#include "wire/ReportWire.h"

#include <vector>

namespace wire {

namespace {

// Field by field, in the order the model declares them. Put and Get of one
// type sit together so that a field added to one is seen missing in the other.

void Put(Writer& out, const std::string& text) { out.Text(text); }
bool Get(Reader& in, std::string& text) { return in.Text(text); }

void Put(Writer& out, int number) { out.Number(number); }
bool Get(Reader& in, int& number) { return in.Int(number); }

// A health's verdict goes as its number; any other number is refused.
void Put(Writer& out, report::HealthStatus status) { out.Number(static_cast<int>(status)); }
bool Get(Reader& in, report::HealthStatus& status) {
  int number = 0;
  if (!in.Int(number) || number < static_cast<int>(report::HealthStatus::kOk) ||
      number > static_cast<int>(report::HealthStatus::kFailed)) {
    return false;
  }
  status = static_cast<report::HealthStatus>(number);
  return true;
}

void Put(Writer& out, const std::optional<std::string>& text) { out.OptionalText(text); }
bool Get(Reader& in, std::optional<std::string>& text) { return in.OptionalText(text); }

void Put(Writer& out, const report::SparseText& text) { out.OptionalText(text); }
bool Get(Reader& in, report::SparseText& text) {
  std::optional<std::string> read;
  if (!in.OptionalText(read)) return false;
  text = read;
  return true;
}

void Put(Writer& out, const std::optional<int>& number) {
  out.Count(number ? 1 : 0);
  if (number) out.Number(*number);
}
bool Get(Reader& in, std::optional<int>& number) {
  bool present = false;
  if (!in.Present(present)) return false;
  number.reset();
  if (!present) return true;
  number.emplace();
  return in.Int(*number);
}

// The records, declared before the templates of lists that hold them.
void Put(Writer& out, const report::VirtualRouter& v);
bool Get(Reader& in, report::VirtualRouter& v);
void Put(Writer& out, const report::LabelEntry& e);
bool Get(Reader& in, report::LabelEntry& e);
void Put(Writer& out, const report::Imposition& i);
bool Get(Reader& in, report::Imposition& i);
void Put(Writer& out, const report::Vrf& v);
bool Get(Reader& in, report::Vrf& v);
void Put(Writer& out, const report::Interface& i);
bool Get(Reader& in, report::Interface& i);
void Put(Writer& out, const report::IpAddress& a);
bool Get(Reader& in, report::IpAddress& a);
void Put(Writer& out, const report::Error& e);
bool Get(Reader& in, report::Error& e);
void Put(Writer& out, const report::Warning& w);
bool Get(Reader& in, report::Warning& w);
void Put(Writer& out, const report::Health& h);
bool Get(Reader& in, report::Health& h);

template <typename T>
void Put(Writer& out, const std::vector<T>& list) {
  out.Count(list.size());
  for (const T& item : list) Put(out, item);
}
template <typename T>
bool Get(Reader& in, std::vector<T>& list) {
  size_t size = 0;
  if (!in.ListSize(size)) return false;
  list.clear();
  list.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    list.emplace_back();
    if (!Get(in, list.back())) return false;
  }
  return true;
}

template <typename T>
void Put(Writer& out, const std::optional<std::vector<T>>& list) {
  out.Count(list ? 1 : 0);
  if (list) Put(out, *list);
}
template <typename T>
bool Get(Reader& in, std::optional<std::vector<T>>& list) {
  bool present = false;
  if (!in.Present(present)) return false;
  list.reset();
  if (!present) return true;
  list.emplace();
  return Get(in, *list);
}

// Every field of a record, to both directions.
template <typename... Fields>
void PutAll(Writer& out, const Fields&... fields) {
  (Put(out, fields), ...);
}
template <typename... Fields>
bool GetAll(Reader& in, Fields&... fields) {
  return (Get(in, fields) && ...);
}

void Put(Writer& out, const report::VirtualRouter& v) { PutAll(out, v.name, v.vrfs); }
bool Get(Reader& in, report::VirtualRouter& v) { return GetAll(in, v.name, v.vrfs); }

void Put(Writer& out, const report::LabelEntry& e) {
  PutAll(out, e.virtualRouter, e.lspName, e.inLabel, e.outLabel, e.outIfIndex, e.outInterface,
         e.nextHop, e.inIfIndexes, e.inInterfaces, e.inInterface, e.owner, e.action, e.actionText,
         e.pushLabels, e.labelSpace, e.layout);
}
bool Get(Reader& in, report::LabelEntry& e) {
  return GetAll(in, e.virtualRouter, e.lspName, e.inLabel, e.outLabel, e.outIfIndex, e.outInterface,
                e.nextHop, e.inIfIndexes, e.inInterfaces, e.inInterface, e.owner, e.action,
                e.actionText, e.pushLabels, e.labelSpace, e.layout);
}

void Put(Writer& out, const report::Imposition& i) {
  PutAll(out, i.label, i.destination, i.ifIndex, i.interface, i.nextHop);
}
bool Get(Reader& in, report::Imposition& i) {
  return GetAll(in, i.label, i.destination, i.ifIndex, i.interface, i.nextHop);
}

void Put(Writer& out, const report::Vrf& v) {
  PutAll(out, v.virtualRouter, v.name, v.routeDistinguisher, v.exportRouteTargets,
         v.importRouteTargets, v.ifIndexes, v.impositions);
}
bool Get(Reader& in, report::Vrf& v) {
  return GetAll(in, v.virtualRouter, v.name, v.routeDistinguisher, v.exportRouteTargets,
                v.importRouteTargets, v.ifIndexes, v.impositions);
}

void Put(Writer& out, const report::Interface& i) {
  PutAll(out, i.ifIndex, i.ifDescr, i.virtualRouter, i.vrf);
}
bool Get(Reader& in, report::Interface& i) {
  return GetAll(in, i.ifIndex, i.ifDescr, i.virtualRouter, i.vrf);
}

void Put(Writer& out, const report::IpAddress& a) {
  PutAll(out, a.virtualRouter, a.address, a.ifIndex);
}
bool Get(Reader& in, report::IpAddress& a) {
  return GetAll(in, a.virtualRouter, a.address, a.ifIndex);
}

void Put(Writer& out, const report::Error& e) { PutAll(out, e.code, e.source, e.line, e.text); }
bool Get(Reader& in, report::Error& e) { return GetAll(in, e.code, e.source, e.line, e.text); }

void Put(Writer& out, const report::Warning& w) { PutAll(out, w.text, w.virtualRouter, w.vrf); }
bool Get(Reader& in, report::Warning& w) { return GetAll(in, w.text, w.virtualRouter, w.vrf); }

void Put(Writer& out, const report::Health& h) {
  PutAll(out, h.status, h.cliSource, h.commandsSent, h.commandsAnswered, h.commandsRefused,
         h.commandsTimedOut, h.commandsCutOff, h.commandsNotSent, h.reconnections,
         h.typeAheadLostAt, h.snmpSource, h.walksAnswered, h.walksUnanswered, h.silentContexts,
         h.problems);
}
bool Get(Reader& in, report::Health& h) {
  return GetAll(in, h.status, h.cliSource, h.commandsSent, h.commandsAnswered, h.commandsRefused,
                h.commandsTimedOut, h.commandsCutOff, h.commandsNotSent, h.reconnections,
                h.typeAheadLostAt, h.snmpSource, h.walksAnswered, h.walksUnanswered,
                h.silentContexts, h.problems);
}

}  // namespace

void PutReport(Writer& out, const report::Report& r) {
  PutAll(out, r.device, r.agent, r.generator, r.virtualRouters, r.labelEntries, r.vrfs,
         r.interfaces, r.ipAddresses, r.errors, r.warnings, r.health);
}

bool GetReport(Reader& in, report::Report& r) {
  return GetAll(in, r.device, r.agent, r.generator, r.virtualRouters, r.labelEntries, r.vrfs,
                r.interfaces, r.ipAddresses, r.errors, r.warnings, r.health);
}

std::string EncodeReport(const report::Report& found) {
  Writer out;
  PutReport(out, found);
  return Frame(out.Bytes());
}

Result<report::Report> DecodeReport(const std::string& bytes) {
  const Result<std::string> payload = Unframe(bytes);
  if (!payload.ok()) return payload.status();
  Reader in(payload.value());
  report::Report found;
  if (!GetReport(in, found)) return Status::Failure(in.Problem());
  if (!in.AtEnd()) return Status::Failure("more follows the report");
  return found;
}

}  // namespace wire
