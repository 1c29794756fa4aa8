#include "store/StoredDevice.h"

#include <unordered_map>

#include "store/Sqlite.h"

namespace store {
namespace {

void LoadVirtualRouters(sqlite3* db, int64_t device, report::Report& r) {
  Statement rows(db,
                 "SELECT r.id, r.name, v.name FROM virtual_routers r"
                 " LEFT JOIN virtual_router_vrfs v ON v.virtual_router_id = r.id"
                 " WHERE r.device_id = ? ORDER BY r.id, v.rowid");
  int64_t current = 0;
  for (rows.Bind(device); rows.Next();) {
    if (r.virtualRouters.empty() || rows.Int(0) != current) {
      current = rows.Int(0);
      r.virtualRouters.push_back({rows.OptionalText(1), std::vector<std::string>()});
    }
    if (!rows.IsNull(2)) r.virtualRouters.back().vrfs->push_back(rows.Text(2));
  }
}

// All of the device's entries, or a page of them (limit -1: all).
void LoadLabelEntries(sqlite3* db, int64_t device, report::Report& r, int64_t offset = 0,
                      int64_t limit = -1) {
  const std::string columns =
      "SELECT e.id, e.virtual_router, e.lsp_name, e.in_label, e.out_label, e.out_if_index,"
      " e.out_interface, e.next_hop, i.if_index, i.interface, e.in_interface, e.owner, e.action,"
      " e.action_text, e.label_space, e.layout FROM label_entries e"
      " LEFT JOIN label_entry_in_interfaces i ON i.label_entry_id = e.id";
  Statement rows(db, (columns + (limit < 0 ? " WHERE e.device_id = ?"
                                           : " WHERE e.id IN (SELECT id FROM label_entries"
                                             " WHERE device_id = ? ORDER BY id LIMIT ? OFFSET ?)") +
                      " ORDER BY e.id, i.position")
                         .c_str());
  rows.Bind(device);
  if (limit >= 0) rows.Bind(limit).Bind(offset);
  std::unordered_map<int64_t, size_t> labelTableEntries;
  int64_t current = 0;
  while (rows.Next()) {
    if (r.labelEntries.empty() || rows.Int(0) != current) {
      current = rows.Int(0);
      report::LabelEntry e;
      e.virtualRouter = rows.OptionalText(1);
      e.lspName = rows.OptionalText(2);
      e.inLabel = rows.OptionalText(3);
      e.outLabel = rows.OptionalText(4);
      e.outIfIndex = rows.OptionalInt(5);
      e.outInterface = rows.OptionalText(6);
      e.nextHop = rows.OptionalText(7);
      e.inInterface = rows.OptionalText(10);
      e.owner = rows.OptionalText(11);
      e.action = rows.OptionalText(12);
      e.actionText = rows.OptionalText(13);
      e.labelSpace = rows.OptionalText(14);
      e.layout = rows.OptionalText(15);
      // The table by incoming label has no in-interface lists; its pushed
      // labels are there only when the router printed some.
      if (e.layout) {
        labelTableEntries.emplace(current, r.labelEntries.size());
      } else {
        e.inIfIndexes.emplace();
        e.inInterfaces.emplace();
      }
      r.labelEntries.push_back(std::move(e));
    }
    report::LabelEntry& e = r.labelEntries.back();
    if (!rows.IsNull(8)) e.inIfIndexes->push_back(static_cast<int>(rows.Int(8)));
    if (!rows.IsNull(9)) e.inInterfaces->push_back(rows.Text(9));
  }
  if (labelTableEntries.empty()) return;
  Statement pushed(db,
                   "SELECT p.label_entry_id, p.label FROM label_entry_push_labels p"
                   " JOIN label_entries e ON e.id = p.label_entry_id WHERE e.device_id = ?"
                   " ORDER BY p.label_entry_id, p.position");
  for (pushed.Bind(device); pushed.Next();) {
    const auto found = labelTableEntries.find(pushed.Int(0));
    if (found == labelTableEntries.end()) continue;
    report::Texts& labels = r.labelEntries[found->second].pushLabels;
    if (!labels) labels.emplace();
    labels->push_back(pushed.Text(1));
  }
}

void LoadVrfs(sqlite3* db, int64_t device, report::Report& r) {
  std::unordered_map<int64_t, size_t> byId;
  Statement vrfs(db,
                 "SELECT id, virtual_router, name, route_distinguisher FROM vrfs"
                 " WHERE device_id = ? ORDER BY id");
  for (vrfs.Bind(device); vrfs.Next();) {
    byId[vrfs.Int(0)] = r.vrfs.size();
    report::Vrf vrf;
    vrf.virtualRouter = vrfs.OptionalText(1);
    vrf.name = vrfs.OptionalText(2);
    vrf.routeDistinguisher = vrfs.OptionalText(3);
    vrf.importRouteTargets.emplace();
    vrf.exportRouteTargets.emplace();
    vrf.ifIndexes.emplace();
    vrf.impositions.emplace();
    r.vrfs.push_back(std::move(vrf));
  }
  if (r.vrfs.empty()) return;

  Statement targets(db,
                    "SELECT t.vrf_id, t.direction, t.route_target FROM vrf_route_targets t"
                    " JOIN vrfs v ON v.id = t.vrf_id WHERE v.device_id = ? ORDER BY t.rowid");
  for (targets.Bind(device); targets.Next();) {
    report::Vrf& vrf = r.vrfs[byId.at(targets.Int(0))];
    (targets.Text(1) == "import" ? vrf.importRouteTargets : vrf.exportRouteTargets)
        ->push_back(targets.Text(2));
  }
  Statement interfaces(db,
                       "SELECT i.vrf_id, i.if_index FROM vrf_interfaces i"
                       " JOIN vrfs v ON v.id = i.vrf_id WHERE v.device_id = ? ORDER BY i.rowid");
  for (interfaces.Bind(device); interfaces.Next();) {
    r.vrfs[byId.at(interfaces.Int(0))].ifIndexes->push_back(static_cast<int>(interfaces.Int(1)));
  }
  Statement impositions(
      db,
      "SELECT i.vrf_id, i.label, i.destination, i.if_index, i.interface, i.next_hop"
      " FROM impositions i JOIN vrfs v ON v.id = i.vrf_id WHERE v.device_id = ?"
      " ORDER BY i.rowid");
  for (impositions.Bind(device); impositions.Next();) {
    r.vrfs[byId.at(impositions.Int(0))].impositions->push_back(
        {impositions.OptionalText(1), impositions.OptionalText(2), impositions.OptionalInt(3),
         impositions.OptionalText(4), impositions.OptionalText(5)});
  }
}

void LoadDeviceTables(sqlite3* db, int64_t device, report::Report& r) {
  Statement interfaces(db,
                       "SELECT if_index, if_descr, virtual_router, vrf FROM interfaces"
                       " WHERE device_id = ? ORDER BY rowid");
  for (interfaces.Bind(device); interfaces.Next();) {
    r.interfaces.push_back({static_cast<int>(interfaces.Int(0)), interfaces.OptionalText(1),
                            interfaces.OptionalText(2), interfaces.OptionalText(3)});
  }
  Statement addresses(db,
                      "SELECT virtual_router, address, if_index FROM ip_addresses"
                      " WHERE device_id = ? ORDER BY rowid");
  for (addresses.Bind(device); addresses.Next();) {
    r.ipAddresses.push_back({addresses.Text(0), addresses.Text(1), addresses.OptionalInt(2)});
  }
  Statement errors(
      db, "SELECT code, source, line, text FROM errors WHERE device_id = ? ORDER BY rowid");
  for (errors.Bind(device); errors.Next();) {
    r.errors.push_back({static_cast<int>(errors.Int(0)), errors.Text(1),
                        static_cast<int>(errors.Int(2)), errors.OptionalText(3)});
  }
  Statement warnings(
      db, "SELECT text, virtual_router, vrf FROM warnings WHERE device_id = ? ORDER BY rowid");
  for (warnings.Bind(device); warnings.Next();) {
    r.warnings.push_back({warnings.Text(0), warnings.OptionalText(1), warnings.OptionalText(2)});
  }
}

}  // namespace

std::optional<StoredRun> LoadRun(sqlite3* db, int64_t runId) {
  Statement run(db, "SELECT id, started_at, finished_at, inventory FROM runs WHERE id = ?");
  if (!run.Bind(runId).Next()) return std::nullopt;
  return StoredRun{run.Int(0), run.Text(1), run.OptionalText(2), run.Text(3)};
}

std::vector<StoredDevice> LoadDevices(sqlite3* db, int64_t runId) {
  std::vector<StoredDevice> devices;
  Statement rows(db,
                 "SELECT id, name, source, status, problem, agent IS NOT NULL FROM devices"
                 " WHERE run_id = ? ORDER BY name");
  for (rows.Bind(runId); rows.Next();) {
    devices.push_back(
        {rows.Int(0), rows.Text(1), rows.Text(2), rows.Text(3), rows.Text(4), rows.Int(5) != 0});
  }
  return devices;
}

report::Report LoadReport(sqlite3* db, const StoredDevice& device) {
  return LoadReport(db, device, 0, -1);
}

report::Report LoadReport(sqlite3* db, const StoredDevice& device, int64_t offset, int64_t limit) {
  report::Report r;
  r.device = device.name;
  Statement agent(db, "SELECT agent FROM devices WHERE id = ?");
  if (agent.Bind(device.id).Next()) r.agent = agent.Text(0);
  LoadVirtualRouters(db, device.id, r);
  LoadLabelEntries(db, device.id, r, offset, limit);
  LoadVrfs(db, device.id, r);
  LoadDeviceTables(db, device.id, r);
  return r;
}

}  // namespace store
