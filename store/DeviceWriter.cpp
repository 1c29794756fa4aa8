#include "store/DeviceWriter.h"

namespace store {
namespace {

template <typename T>
const std::vector<T>& Items(const std::optional<std::vector<T>>& list, const std::vector<T>& none) {
  return list ? *list : none;
}

// The insert statements of one device, each prepared once however many rows
// it writes (a large router holds 100,000 label entries).
class DeviceWriter {
 public:
  explicit DeviceWriter(SqlDatabase& db)
      : device_(db,
                "INSERT INTO devices(run_id, name, source, status, problem, seconds, agent, region)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
        virtualRouter_(db,
                       "INSERT INTO virtual_routers(device_id, name) VALUES (?, ?) RETURNING id"),
        virtualRouterVrf_(db,
                          "INSERT INTO virtual_router_vrfs(virtual_router_id, name) VALUES (?, ?)"),
        labelEntry_(
            db,
            "INSERT INTO label_entries(device_id, virtual_router, lsp_name, in_label, out_label,"
            " out_if_index, out_interface, next_hop, in_interface, owner, action, action_text,"
            " label_space, layout) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
            " RETURNING id"),
        pushLabel_(db,
                   "INSERT INTO label_entry_push_labels(label_entry_id, position, label)"
                   " VALUES (?, ?, ?)"),
        inInterface_(
            db,
            "INSERT INTO label_entry_in_interfaces(label_entry_id, position, if_index, interface)"
            " VALUES (?, ?, ?, ?)"),
        vrf_(db,
             "INSERT INTO vrfs(device_id, virtual_router, name, route_distinguisher)"
             " VALUES (?, ?, ?, ?) RETURNING id"),
        routeTarget_(
            db, "INSERT INTO vrf_route_targets(vrf_id, direction, route_target) VALUES (?, ?, ?)"),
        vrfInterface_(db, "INSERT INTO vrf_interfaces(vrf_id, if_index) VALUES (?, ?)"),
        imposition_(
            db,
            "INSERT INTO impositions(vrf_id, label, destination, if_index, interface, next_hop)"
            " VALUES (?, ?, ?, ?, ?, ?)"),
        interface_(db,
                   "INSERT INTO interfaces(device_id, if_index, if_descr, virtual_router, vrf)"
                   " VALUES (?, ?, ?, ?, ?)"),
        ipAddress_(db,
                   "INSERT INTO ip_addresses(device_id, virtual_router, address, if_index)"
                   " VALUES (?, ?, ?, ?)"),
        error_(db,
               "INSERT INTO errors(device_id, code, source, line, text) VALUES (?, ?, ?, ?, ?)"),
        warning_(db,
                 "INSERT INTO warnings(device_id, text, virtual_router, vrf) VALUES (?, ?, ?, ?)"),
        health_(db,
                "INSERT INTO device_health(device_id, cli_source, commands_sent, commands_answered,"
                " commands_refused, commands_timed_out, commands_cut_off, commands_not_sent,"
                " reconnections, snmp_source, walks_answered, walks_unanswered)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        silentContext_(db, "INSERT INTO device_silent_contexts(device_id, context) VALUES (?, ?)"),
        problem_(db, "INSERT INTO device_problems(device_id, text) VALUES (?, ?)") {}

  void Store(int64_t runId, const DeviceOutcome& outcome, const report::Report* found) {
    const int64_t device =
        device_.Reset()
            .Bind(runId)
            .Bind(outcome.name)
            .Bind(outcome.source)
            .Bind(outcome.status)
            .Bind(outcome.problem.empty() ? std::nullopt : report::Text(outcome.problem))
            .Bind(outcome.seconds)
            .Bind(found ? report::Text(found->agent) : std::nullopt)
            .Bind(outcome.region.empty() ? std::nullopt : report::Text(outcome.region))
            .Insert();
    if (found) Report(device, *found);
  }

 private:
  void Report(int64_t device, const report::Report& r) {
    for (const report::VirtualRouter& vr : r.virtualRouters) {
      const int64_t id = virtualRouter_.Reset().Bind(device).Bind(vr.name).Insert();
      for (const std::string& vrf : Items(vr.vrfs, kNoTexts))
        virtualRouterVrf_.Reset().Bind(id).Bind(vrf).Run();
    }
    for (const report::LabelEntry& e : r.labelEntries) LabelEntry(device, e);
    for (const report::Vrf& vrf : r.vrfs) Vrf(device, vrf);
    for (const report::Interface& i : r.interfaces) {
      interface_.Reset()
          .Bind(device)
          .Bind(i.ifIndex)
          .Bind(i.ifDescr)
          .Bind(i.virtualRouter)
          .Bind(i.vrf)
          .Run();
    }
    for (const report::IpAddress& a : r.ipAddresses) {
      ipAddress_.Reset().Bind(device).Bind(a.virtualRouter).Bind(a.address).Bind(a.ifIndex).Run();
    }
    for (const report::Error& e : r.errors) {
      error_.Reset().Bind(device).Bind(e.code).Bind(e.source).Bind(e.line).Bind(e.text).Run();
    }
    for (const report::Warning& w : r.warnings) {
      warning_.Reset().Bind(device).Bind(w.text).Bind(w.virtualRouter).Bind(w.vrf).Run();
    }
    const report::Health& h = r.health;
    health_.Reset()
        .Bind(device)
        .Bind(h.cliSource)
        .Bind(h.commandsSent)
        .Bind(h.commandsAnswered)
        .Bind(h.commandsRefused)
        .Bind(h.commandsTimedOut)
        .Bind(h.commandsCutOff)
        .Bind(h.commandsNotSent)
        .Bind(h.reconnections)
        .Bind(h.snmpSource)
        .Bind(h.walksAnswered)
        .Bind(h.walksUnanswered)
        .Run();
    for (const std::string& context : h.silentContexts) {
      silentContext_.Reset().Bind(device).Bind(context).Run();
    }
    for (const std::string& problem : h.problems) problem_.Reset().Bind(device).Bind(problem).Run();
  }

  void LabelEntry(int64_t device, const report::LabelEntry& e) {
    const int64_t id = labelEntry_.Reset()
                           .Bind(device)
                           .Bind(e.virtualRouter)
                           .Bind(e.lspName)
                           .Bind(e.inLabel)
                           .Bind(e.outLabel)
                           .Bind(e.outIfIndex)
                           .Bind(e.outInterface)
                           .Bind(e.nextHop)
                           .Bind(e.inInterface)
                           .Bind(e.owner)
                           .Bind(e.action)
                           .Bind(e.actionText)
                           .Bind(e.labelSpace)
                           .Bind(e.layout)
                           .Insert();
    const std::vector<std::string>& pushed = Items(e.pushLabels, kNoTexts);
    for (size_t i = 0; i < pushed.size(); ++i)
      pushLabel_.Reset().Bind(id).Bind(static_cast<int64_t>(i)).Bind(pushed[i]).Run();
    const std::vector<int>& indexes = Items(e.inIfIndexes, kNoNumbers);
    const std::vector<std::string>& names = Items(e.inInterfaces, kNoTexts);
    for (size_t i = 0; i < indexes.size() || i < names.size(); ++i) {
      inInterface_.Reset()
          .Bind(id)
          .Bind(static_cast<int64_t>(i))
          .Bind(i < indexes.size() ? report::Number(indexes[i]) : std::nullopt)
          .Bind(i < names.size() ? report::Text(names[i]) : std::nullopt)
          .Run();
    }
  }

  void Vrf(int64_t device, const report::Vrf& vrf) {
    const int64_t id = vrf_.Reset()
                           .Bind(device)
                           .Bind(vrf.virtualRouter)
                           .Bind(vrf.name)
                           .Bind(vrf.routeDistinguisher)
                           .Insert();
    for (const std::string& rt : Items(vrf.importRouteTargets, kNoTexts)) {
      routeTarget_.Reset().Bind(id).Bind("import").Bind(rt).Run();
    }
    for (const std::string& rt : Items(vrf.exportRouteTargets, kNoTexts)) {
      routeTarget_.Reset().Bind(id).Bind("export").Bind(rt).Run();
    }
    for (int ifIndex : Items(vrf.ifIndexes, kNoNumbers))
      vrfInterface_.Reset().Bind(id).Bind(ifIndex).Run();
    if (!vrf.impositions) return;
    for (const report::Imposition& i : *vrf.impositions) {
      imposition_.Reset()
          .Bind(id)
          .Bind(i.label)
          .Bind(i.destination)
          .Bind(i.ifIndex)
          .Bind(i.interface)
          .Bind(i.nextHop)
          .Run();
    }
  }

  static const std::vector<std::string> kNoTexts;
  static const std::vector<int> kNoNumbers;

  Statement device_, virtualRouter_, virtualRouterVrf_, labelEntry_, pushLabel_, inInterface_, vrf_,
      routeTarget_, vrfInterface_, imposition_, interface_, ipAddress_, error_, warning_, health_,
      silentContext_, problem_;
};

const std::vector<std::string> DeviceWriter::kNoTexts;
const std::vector<int> DeviceWriter::kNoNumbers;

}  // namespace

void WriteDevice(SqlDatabase& db, int64_t runId, const DeviceOutcome& outcome,
                 const report::Report* found) {
  DeviceWriter(db).Store(runId, outcome, found);
}

}  // namespace store
