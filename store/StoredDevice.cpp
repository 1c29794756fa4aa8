#include "store/StoredDevice.h"

#include <unordered_map>

#include "store/Sqlite.h"
#include "store/StoredRow.h"

namespace store {
namespace {

std::string EntryPlace(int64_t entry, int64_t position) {
  return "(label_entry_id " + std::to_string(entry) + ", position " + std::to_string(position) +
         ")";
}

void LoadVirtualRouters(SqlDatabase& db, int64_t device, report::Report& r) {
  Statement rows(db,
                 "SELECT r.id, r.name, v.rowid, v.name FROM virtual_routers r"
                 " LEFT JOIN virtual_router_vrfs v ON v.virtual_router_id = r.id"
                 " WHERE r.device_id = ? ORDER BY r.id, v.rowid");
  int64_t current = 0;
  for (rows.Bind(device); rows.Next();) {
    if (r.virtualRouters.empty() || rows.Int(0) != current) {
      current = rows.Int(0);
      const StoredRow router(rows, "virtual_routers", current);
      r.virtualRouters.push_back({router.OptionalText(1, "name"), std::vector<std::string>()});
    }
    if (rows.IsNull(2)) continue;
    const StoredRow vrf(rows, "virtual_router_vrfs", rows.Int(2));
    r.virtualRouters.back().vrfs->push_back(vrf.Text(3, "name"));
  }
}

report::LabelEntry ReadLabelEntry(const StoredRow& row) {
  report::LabelEntry e;
  e.virtualRouter = row.OptionalText(1, "virtual_router");
  e.lspName = row.OptionalText(2, "lsp_name");
  e.inLabel = row.OptionalText(3, "in_label");
  e.outLabel = row.OptionalText(4, "out_label");
  e.outIfIndex = row.OptionalInt(5, "out_if_index");
  e.outInterface = row.OptionalText(6, "out_interface");
  e.nextHop = row.OptionalText(7, "next_hop");
  e.inInterface = row.OptionalText(11, "in_interface");
  e.owner = row.OptionalText(12, "owner");
  e.action = row.OptionalText(13, "action");
  e.actionText = row.OptionalText(14, "action_text");
  e.labelSpace = row.OptionalText(15, "label_space");
  e.layout = row.OptionalText(16, "layout");
  return e;
}

// All of the device's entries, or a page of them (limit -1: all).
void LoadLabelEntries(SqlDatabase& db, int64_t device, report::Report& r, int64_t offset,
                      int64_t limit) {
  const std::string columns =
      "SELECT e.id, e.virtual_router, e.lsp_name, e.in_label, e.out_label, e.out_if_index,"
      " e.out_interface, e.next_hop, i.position, i.if_index, i.interface, e.in_interface, e.owner,"
      " e.action, e.action_text, e.label_space, e.layout FROM label_entries e"
      " LEFT JOIN label_entry_in_interfaces i ON i.label_entry_id = e.id";
  Statement rows(db, (columns +
                      (limit < 0 ? " WHERE e.device_id = ?"
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
      report::LabelEntry e = ReadLabelEntry(StoredRow(rows, "label_entries", current));
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
    if (rows.IsNull(8)) continue;
    const StoredRow place(rows, "label_entry_in_interfaces", EntryPlace(current, rows.Int(8)));
    report::LabelEntry& e = r.labelEntries.back();
    if (!e.inIfIndexes) {
      place.Refuse("an entry of layout " + *e.layout + " has no in-interface lists");
    }
    if (const std::optional<int> index = place.OptionalInt(9, "if_index")) {
      e.inIfIndexes->push_back(*index);
    }
    if (std::optional<std::string> name = place.OptionalText(10, "interface")) {
      e.inInterfaces->push_back(std::move(*name));
    }
  }
  if (labelTableEntries.empty()) return;
  Statement pushed(db,
                   "SELECT p.label_entry_id, p.position, p.label FROM label_entry_push_labels p"
                   " JOIN label_entries e ON e.id = p.label_entry_id WHERE e.device_id = ?"
                   " ORDER BY p.label_entry_id, p.position");
  for (pushed.Bind(device); pushed.Next();) {
    const auto found = labelTableEntries.find(pushed.Int(0));
    if (found == labelTableEntries.end()) continue;
    const StoredRow row(pushed, "label_entry_push_labels",
                        EntryPlace(pushed.Int(0), pushed.Int(1)));
    report::Texts& labels = r.labelEntries[found->second].pushLabels;
    if (!labels) labels.emplace();
    labels->push_back(row.Text(2, "label"));
  }
}

void LoadVrfs(SqlDatabase& db, int64_t device, report::Report& r) {
  std::unordered_map<int64_t, size_t> byId;
  Statement vrfs(db,
                 "SELECT id, virtual_router, name, route_distinguisher FROM vrfs"
                 " WHERE device_id = ? ORDER BY id");
  for (vrfs.Bind(device); vrfs.Next();) {
    const StoredRow row(vrfs, "vrfs", vrfs.Int(0));
    byId[vrfs.Int(0)] = r.vrfs.size();
    report::Vrf vrf;
    vrf.virtualRouter = row.OptionalText(1, "virtual_router");
    vrf.name = row.OptionalText(2, "name");
    vrf.routeDistinguisher = row.OptionalText(3, "route_distinguisher");
    vrf.importRouteTargets.emplace();
    vrf.exportRouteTargets.emplace();
    vrf.ifIndexes.emplace();
    vrf.impositions.emplace();
    r.vrfs.push_back(std::move(vrf));
  }
  if (r.vrfs.empty()) return;

  Statement targets(db,
                    "SELECT t.rowid, t.vrf_id, t.direction, t.route_target FROM vrf_route_targets t"
                    " JOIN vrfs v ON v.id = t.vrf_id WHERE v.device_id = ? ORDER BY t.rowid");
  for (targets.Bind(device); targets.Next();) {
    const StoredRow row(targets, "vrf_route_targets", targets.Int(0));
    report::Vrf& vrf = r.vrfs[byId.at(targets.Int(1))];
    const std::string direction = row.Text(2, "direction");
    if (direction != "import" && direction != "export") {
      row.Refuse("column direction is neither import nor export");
    }
    (direction == "import" ? vrf.importRouteTargets : vrf.exportRouteTargets)
        ->push_back(row.Text(3, "route_target"));
  }
  Statement interfaces(db,
                       "SELECT i.rowid, i.vrf_id, i.if_index FROM vrf_interfaces i"
                       " JOIN vrfs v ON v.id = i.vrf_id WHERE v.device_id = ? ORDER BY i.rowid");
  for (interfaces.Bind(device); interfaces.Next();) {
    const StoredRow row(interfaces, "vrf_interfaces", interfaces.Int(0));
    r.vrfs[byId.at(interfaces.Int(1))].ifIndexes->push_back(row.Int(2, "if_index"));
  }
  Statement impositions(
      db,
      "SELECT i.rowid, i.vrf_id, i.label, i.destination, i.if_index, i.interface, i.next_hop"
      " FROM impositions i JOIN vrfs v ON v.id = i.vrf_id WHERE v.device_id = ?"
      " ORDER BY i.rowid");
  for (impositions.Bind(device); impositions.Next();) {
    const StoredRow row(impositions, "impositions", impositions.Int(0));
    r.vrfs[byId.at(impositions.Int(1))].impositions->push_back(
        {row.OptionalText(2, "label"), row.OptionalText(3, "destination"),
         row.OptionalInt(4, "if_index"), row.OptionalText(5, "interface"),
         row.OptionalText(6, "next_hop")});
  }
}

void LoadDeviceTables(SqlDatabase& db, int64_t device, report::Report& r) {
  Statement interfaces(db,
                       "SELECT rowid, if_index, if_descr, virtual_router, vrf FROM interfaces"
                       " WHERE device_id = ? ORDER BY rowid");
  for (interfaces.Bind(device); interfaces.Next();) {
    const StoredRow row(interfaces, "interfaces", interfaces.Int(0));
    r.interfaces.push_back({row.Int(1, "if_index"), row.OptionalText(2, "if_descr"),
                            row.OptionalText(3, "virtual_router"), row.OptionalText(4, "vrf")});
  }
  Statement addresses(db,
                      "SELECT rowid, virtual_router, address, if_index FROM ip_addresses"
                      " WHERE device_id = ? ORDER BY rowid");
  for (addresses.Bind(device); addresses.Next();) {
    const StoredRow row(addresses, "ip_addresses", addresses.Int(0));
    r.ipAddresses.push_back(
        {row.Text(1, "virtual_router"), row.Text(2, "address"), row.OptionalInt(3, "if_index")});
  }
  Statement errors(db,
                   "SELECT rowid, code, source, line, text FROM errors WHERE device_id = ?"
                   " ORDER BY rowid");
  for (errors.Bind(device); errors.Next();) {
    const StoredRow row(errors, "errors", errors.Int(0));
    r.errors.push_back({row.Int(1, "code"), row.Text(2, "source"), row.Int(3, "line"),
                        row.OptionalText(4, "text")});
  }
  Statement warnings(db,
                     "SELECT rowid, text, virtual_router, vrf FROM warnings WHERE device_id = ?"
                     " ORDER BY rowid");
  for (warnings.Bind(device); warnings.Next();) {
    const StoredRow row(warnings, "warnings", warnings.Int(0));
    r.warnings.push_back(
        {row.Text(1, "text"), row.OptionalText(2, "virtual_router"), row.OptionalText(3, "vrf")});
  }
}

StoredRun ReadRun(const Statement& run) {
  const StoredRow row(run, "runs", run.Int(0));
  return StoredRun{run.Int(0), row.Text(1, "started_at"), row.OptionalText(2, "finished_at"),
                   row.Text(3, "inventory")};
}

}  // namespace

std::vector<StoredRun> LoadRuns(SqlDatabase& db) {
  std::vector<StoredRun> runs;
  Statement rows(db, "SELECT id, started_at, finished_at, inventory FROM runs ORDER BY id");
  while (rows.Next()) runs.push_back(ReadRun(rows));
  return runs;
}

std::optional<StoredRun> LoadRun(SqlDatabase& db, int64_t runId) {
  Statement run(db, "SELECT id, started_at, finished_at, inventory FROM runs WHERE id = ?");
  if (!run.Bind(runId).Next()) return std::nullopt;
  return ReadRun(run);
}

std::vector<StoredDevice> LoadDevices(SqlDatabase& db, int64_t runId) {
  std::vector<StoredDevice> devices;
  Statement rows(db,
                 "SELECT id, name, source, status, problem, agent, region FROM devices"
                 " WHERE run_id = ? ORDER BY name");
  for (rows.Bind(runId); rows.Next();) {
    const StoredRow row(rows, "devices", rows.Int(0));
    devices.push_back({rows.Int(0), row.Text(1, "name"), row.Text(2, "source"),
                       row.Text(3, "status"), row.OptionalText(4, "problem").value_or(""),
                       row.OptionalText(5, "agent").has_value(),
                       row.OptionalText(6, "region").value_or("")});
  }
  return devices;
}

report::Report LoadReport(SqlDatabase& db, const StoredDevice& device) {
  return LoadReport(db, device, 0, -1);
}

report::Report LoadReport(SqlDatabase& db, const StoredDevice& device, int64_t offset,
                          int64_t limit) {
  report::Report r;
  r.device = device.name;
  Statement agent(db, "SELECT id, agent FROM devices WHERE id = ?");
  if (agent.Bind(device.id).Next()) {
    r.agent = StoredRow(agent, "devices", device.id).OptionalText(1, "agent").value_or("");
  }
  LoadVirtualRouters(db, device.id, r);
  LoadLabelEntries(db, device.id, r, offset, limit);
  LoadVrfs(db, device.id, r);
  LoadDeviceTables(db, device.id, r);
  return r;
}

DeviceSizes LoadDeviceSizes(SqlDatabase& db, int64_t deviceId) {
  Statement sizes(db,
                  "SELECT seconds,"
                  " (SELECT count(*) FROM label_entries WHERE device_id = d.id),"
                  " (SELECT count(*) FROM vrfs WHERE device_id = d.id),"
                  " (SELECT count(*) FROM impositions i JOIN vrfs v ON v.id = i.vrf_id"
                  "  WHERE v.device_id = d.id)"
                  " FROM devices d WHERE id = ?");
  DeviceSizes found;
  if (!sizes.Bind(deviceId).Next()) return found;
  found.seconds = sizes.IsNull(0) ? 0 : sizes.Real(0);
  found.labelEntries = sizes.Int(1);
  found.vrfs = sizes.Int(2);
  found.impositions = sizes.Int(3);
  return found;
}

std::vector<StoredDevice> LoadDevices(sqlite3* db, int64_t runId) {
  SqliteDatabase connection(db, "", false);
  return LoadDevices(connection, runId);
}

report::Report LoadReport(sqlite3* db, const StoredDevice& device) {
  SqliteDatabase connection(db, "", false);
  return LoadReport(connection, device);
}

}  // namespace store
