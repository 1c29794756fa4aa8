// The store's reader on a small store whose rows were changed as a hand edit
// or another program might change them (values of any type, rows deleted or
// copied, foreign keys and checks not enforced): every device reads back as a
// report or as an error naming a table and row, never a crash, and what is
// read goes through the report writers and the diff.
//
// Input: a list of edits, each read from the bytes in turn (zeros once they
// run out): what (update, delete, copy), the table, the row (by position), the
// column, and the value (NULL, an integer, a real, text or bytes).
#include <sqlite3.h>

#include <sstream>
#include <string>
#include <vector>

#include "fuzz/support/FuzzInput.h"
#include "report/JsonReport.h"
#include "report/TextReport.h"
#include "store/DeviceChanges.h"
#include "store/DeviceWriter.h"
#include "store/Schema.h"
#include "store/SqlStore.h"

namespace {

report::Report SmallRouter() {
  report::Report r;
  r.device = "pe1";
  r.agent = "agent";
  r.virtualRouters.push_back({std::string("default"), std::vector<std::string>{"red", "blue"}});
  r.labelEntries.push_back({"default", "to-pe2", "17", "20", 14, "ATM3/0.2", "10.1.3.2",
                            std::vector<int>{11, 13}, std::vector<std::string>{"ATM2/0.2"}});
  report::LabelEntry swap;
  swap.virtualRouter = "default";
  swap.inLabel = "300";
  swap.owner = "ldp";
  swap.action = "swap";
  swap.outLabel = "55";
  swap.pushLabels = std::vector<std::string>{"42", "16"};
  swap.layout = "label-table";
  r.labelEntries.push_back(swap);
  report::Vrf red;
  red.virtualRouter = "default";
  red.name = "red";
  red.routeDistinguisher = "100:1";
  red.importRouteTargets = std::vector<std::string>{"100:1", "100:2"};
  red.exportRouteTargets = std::vector<std::string>{"100:1"};
  red.ifIndexes = std::vector<int>{30};
  red.impositions =
      std::vector<report::Imposition>{{std::string("21"), std::string("10.9.0.0/16"), 14,
                                       std::string("ATM3/0.2"), std::string("10.1.3.2")}};
  r.vrfs.push_back(red);
  r.interfaces.push_back({30, std::string("ip2/0.10"), std::string("default"), std::string("red")});
  r.ipAddresses.push_back({"default", "10.1.3.1", 14});
  r.errors.push_back({3, "cli", 12, std::string("no reply")});
  r.warnings.push_back({"a warning", std::string("default"), std::nullopt});
  return r;
}

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return at_ < size_; }
  unsigned Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int64_t Integer(int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | Byte();
    return static_cast<int64_t>(value) - (bytes == 1 ? 64 : 0);
  }
  std::string Text() {
    std::string text;
    for (unsigned length = Byte() % 24; length > 0; --length) text += static_cast<char>(Byte());
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

const char* const kTables[] = {"runs",
                               "devices",
                               "virtual_routers",
                               "virtual_router_vrfs",
                               "label_entries",
                               "label_entry_in_interfaces",
                               "label_entry_push_labels",
                               "vrfs",
                               "vrf_route_targets",
                               "vrf_interfaces",
                               "impositions",
                               "interfaces",
                               "ip_addresses",
                               "errors",
                               "warnings"};

std::vector<std::string> Columns(sqlite3* db, const std::string& table) {
  std::vector<std::string> columns;
  sqlite3_stmt* info = nullptr;
  sqlite3_prepare_v2(db, ("PRAGMA table_info(" + table + ")").c_str(), -1, &info, nullptr);
  while (sqlite3_step(info) == SQLITE_ROW) {
    columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)));
  }
  sqlite3_finalize(info);
  return columns;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

void BindValue(sqlite3_stmt* statement, int parameter, Bytes& bytes) {
  switch (bytes.Byte() % 6) {
    case 0:
      sqlite3_bind_null(statement, parameter);
      break;
    case 1:
      sqlite3_bind_int64(statement, parameter, bytes.Integer(1));
      break;
    case 2:
      sqlite3_bind_int64(statement, parameter, bytes.Integer(8));
      break;
    case 3:
      sqlite3_bind_double(statement, parameter, static_cast<double>(bytes.Integer(2)) / 7);
      break;
    case 4: {
      const std::string text = bytes.Text();
      sqlite3_bind_text(statement, parameter, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT);
      break;
    }
    default: {
      const std::string blob = bytes.Text();
      sqlite3_bind_blob(statement, parameter, blob.data(), static_cast<int>(blob.size()),
                        SQLITE_TRANSIENT);
    }
  }
}

// One edit; one that breaks a constraint still enforced changes nothing.
void Edit(sqlite3* db, Bytes& bytes) {
  const unsigned what = bytes.Byte() % 3;
  const std::string table = kTables[bytes.Byte() % (sizeof kTables / sizeof kTables[0])];
  const bool byPosition =
      table == "label_entry_in_interfaces" || table == "label_entry_push_labels";
  const std::string key = byPosition ? "label_entry_id = ? AND position = ?" : "rowid = ?";
  sqlite3_stmt* row = nullptr;
  sqlite3_prepare_v2(db,
                     ("SELECT " + std::string(byPosition ? "label_entry_id, position" : "rowid") +
                      " FROM " + table + " LIMIT 1 OFFSET ?")
                         .c_str(),
                     -1, &row, nullptr);
  sqlite3_bind_int(row, 1, static_cast<int>(bytes.Byte() % 8));
  if (sqlite3_step(row) != SQLITE_ROW) {
    sqlite3_finalize(row);
    return;
  }
  std::vector<std::string> columns = Columns(db, table);
  const size_t column = bytes.Byte() % columns.size();
  std::string sql;
  if (what == 0) {
    sql = "UPDATE " + table + " SET " + columns[column] + " = ? WHERE " + key;
  } else if (what == 1) {
    sql = "DELETE FROM " + table + " WHERE " + key + " AND ? IS NULL";
  } else {
    const std::string all = Joined(columns);
    columns[column] = "?";
    sql = "INSERT INTO " + table + "(" + all + ") SELECT " + Joined(columns) + " FROM " + table +
          " WHERE " + key;
  }
  sqlite3_stmt* edit = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &edit, nullptr) == SQLITE_OK) {
    if (what == 1) {
      sqlite3_bind_null(edit, 1);
    } else {
      BindValue(edit, 1, bytes);
    }
    sqlite3_bind_value(edit, 2, sqlite3_column_value(row, 0));
    if (byPosition) sqlite3_bind_value(edit, 3, sqlite3_column_value(row, 1));
    sqlite3_step(edit);
  }
  sqlite3_finalize(edit);
  sqlite3_finalize(row);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const report::Report kBase = SmallRouter();
  std::unique_ptr<store::SqliteDatabase> db;
  FuzzCheck(store::OpenSqliteStore(":memory:", store::Access::kWrite).Into(db).ok(),
            "no store in memory");
  sqlite3* handle = db->Handle();
  store::SqlStore results(std::move(db));
  const Result<int64_t> begun = results.BeginRun("fleet.yaml");
  const int64_t run = begun.value();
  FuzzCheck(
      begun.ok() &&
          results.StoreDevice(run, {"pe1", "devices/pe1", "ok", "", 0.5, ""}, &kBase).ok() &&
          results.StoreDevice(run, {"pe2", "10.0.0.2", "failed", "no", 1, ""}, nullptr).ok() &&
          results.FinishRun(run).ok(),
      "the small store could not be written");

  sqlite3_exec(handle, "PRAGMA foreign_keys = OFF; PRAGMA ignore_check_constraints = ON", nullptr,
               nullptr, nullptr);
  Bytes bytes(data, size);
  for (int edits = 0; bytes.More() && edits < 16; ++edits) Edit(handle, bytes);

  const Result<std::vector<store::StoredRun>> runs = results.ListRuns();
  if (!runs.ok()) return 0;
  for (const store::StoredRun& stored : runs.value()) {
    const Result<std::vector<store::StoredDevice>> devices = results.LoadDevices(stored.id);
    if (!devices.ok()) continue;
    for (const store::StoredDevice& device : devices.value()) {
      if (!device.hasReport) continue;
      const Result<report::Report> loaded = results.LoadReport(device);
      if (!loaded.ok()) continue;
      const report::Report& found = loaded.value();
      std::ostringstream out;
      WriteJsonReport(found, out);
      WriteTextReport(found, out);
      store::CompareReports(kBase, found);
    }
  }
  return 0;
}
