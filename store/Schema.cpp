#include "store/Schema.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "store/SqlDatabase.h"

namespace store {
namespace {

// Schema 1. Every table below devices hangs off its device (or a VRF or label
// entry of it) and goes when its run is deleted. Text columns are valid
// UTF-8; an optional field of the report that was not found is NULL. Rows of
// one list are kept in the report's order by their rowid.
const char kCreateVersion1[] = R"sql(
CREATE TABLE runs (
  id          INTEGER PRIMARY KEY,
  started_at  TEXT NOT NULL,        -- UTC, 'YYYY-MM-DD HH:MM:SS'
  finished_at TEXT,                 -- NULL while running or when the run was cut off
  inventory   TEXT NOT NULL
);
CREATE TABLE devices (
  id      INTEGER PRIMARY KEY,
  run_id  INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,
  name    TEXT NOT NULL,
  source  TEXT NOT NULL,            -- host of a live router or capture folder
  status  TEXT NOT NULL,            -- ok, partial, failed, timeout, crashed
  problem TEXT,                     -- NULL when ok
  seconds REAL NOT NULL,
  agent   TEXT,                     -- NULL when there is no report
  UNIQUE (run_id, name)
);
CREATE TABLE virtual_routers (
  id        INTEGER PRIMARY KEY,
  device_id INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  name      TEXT
);
CREATE TABLE virtual_router_vrfs (
  virtual_router_id INTEGER NOT NULL REFERENCES virtual_routers(id) ON DELETE CASCADE,
  name              TEXT NOT NULL
);
CREATE TABLE label_entries (
  id             INTEGER PRIMARY KEY,
  device_id      INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  virtual_router TEXT,
  lsp_name       TEXT,
  in_label       TEXT,
  out_label      TEXT,
  out_if_index   INTEGER,
  out_interface  TEXT,
  next_hop       TEXT
);
-- Row `position` holds the entry's ifIndex and interface name of that place
-- in its two lists; where one list is shorter its column is NULL.
CREATE TABLE label_entry_in_interfaces (
  label_entry_id INTEGER NOT NULL REFERENCES label_entries(id) ON DELETE CASCADE,
  position       INTEGER NOT NULL,
  if_index       INTEGER,
  interface      TEXT,
  PRIMARY KEY (label_entry_id, position)
) WITHOUT ROWID;
CREATE TABLE vrfs (
  id                  INTEGER PRIMARY KEY,
  device_id           INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  virtual_router      TEXT,
  name                TEXT,
  route_distinguisher TEXT
);
CREATE TABLE vrf_route_targets (
  vrf_id       INTEGER NOT NULL REFERENCES vrfs(id) ON DELETE CASCADE,
  direction    TEXT NOT NULL CHECK (direction IN ('import', 'export')),
  route_target TEXT NOT NULL
);
CREATE TABLE vrf_interfaces (
  vrf_id   INTEGER NOT NULL REFERENCES vrfs(id) ON DELETE CASCADE,
  if_index INTEGER NOT NULL
);
CREATE TABLE impositions (
  vrf_id      INTEGER NOT NULL REFERENCES vrfs(id) ON DELETE CASCADE,
  label       TEXT,
  destination TEXT,
  if_index    INTEGER,
  interface   TEXT,
  next_hop    TEXT
);
CREATE TABLE interfaces (
  device_id      INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  if_index       INTEGER NOT NULL,
  if_descr       TEXT,
  virtual_router TEXT,
  vrf            TEXT
);
CREATE TABLE ip_addresses (
  device_id      INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  virtual_router TEXT NOT NULL,
  address        TEXT NOT NULL,
  if_index       INTEGER
);
CREATE TABLE errors (
  device_id INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  code      INTEGER NOT NULL,
  source    TEXT NOT NULL,
  line      INTEGER NOT NULL,
  text      TEXT
);
CREATE TABLE warnings (
  device_id      INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  text           TEXT NOT NULL,
  virtual_router TEXT,
  vrf            TEXT
);

-- The questions users ask.
CREATE INDEX vrfs_by_name ON vrfs(name);
CREATE INDEX label_entries_by_out_interface ON label_entries(out_interface);
CREATE INDEX route_targets_by_value ON vrf_route_targets(route_target, direction);
-- Loading a device (the diff) and deleting a run.
CREATE INDEX virtual_routers_by_device ON virtual_routers(device_id);
CREATE INDEX virtual_router_vrfs_by_router ON virtual_router_vrfs(virtual_router_id);
CREATE INDEX label_entries_by_device ON label_entries(device_id);
CREATE INDEX vrfs_by_device ON vrfs(device_id);
CREATE INDEX route_targets_by_vrf ON vrf_route_targets(vrf_id);
CREATE INDEX vrf_interfaces_by_vrf ON vrf_interfaces(vrf_id);
CREATE INDEX impositions_by_vrf ON impositions(vrf_id);
CREATE INDEX interfaces_by_device ON interfaces(device_id);
CREATE INDEX ip_addresses_by_device ON ip_addresses(device_id);
CREATE INDEX errors_by_device ON errors(device_id);
CREATE INDEX warnings_by_device ON warnings(device_id);
)sql";

// Schema 2: label entries read from the later releases' table by incoming
// label. Their columns are NULL on the module's entries (and on every entry
// stored under schema 1, which were all the module's).
const char kVersion2[] = R"sql(
ALTER TABLE label_entries ADD COLUMN in_interface TEXT;  -- an L2transport row's key
ALTER TABLE label_entries ADD COLUMN owner TEXT;         -- ldp, rsvp-te, bgp, ...
ALTER TABLE label_entries ADD COLUMN action TEXT;        -- swap, pop, lookup, l2transport, other
ALTER TABLE label_entries ADD COLUMN action_text TEXT;   -- the router's words of an 'other' action
ALTER TABLE label_entries ADD COLUMN label_space TEXT;
ALTER TABLE label_entries ADD COLUMN layout TEXT;        -- 'label-table'; NULL for the module's
CREATE TABLE label_entry_push_labels (
  label_entry_id INTEGER NOT NULL REFERENCES label_entries(id) ON DELETE CASCADE,
  position       INTEGER NOT NULL,
  label          TEXT NOT NULL,
  PRIMARY KEY (label_entry_id, position)
) WITHOUT ROWID;
)sql";

// Schema 3: what answered during each device's discovery (the report's
// health). Devices stored under an older schema have no row in these tables.
const char kVersion3[] = R"sql(
CREATE TABLE device_health (
  device_id          INTEGER PRIMARY KEY REFERENCES devices(id) ON DELETE CASCADE,
  cli_source         TEXT NOT NULL,  -- ADDRESS:PORT, or a capture's cli.log
  commands_sent      INTEGER NOT NULL,
  commands_answered  INTEGER NOT NULL,
  commands_refused   INTEGER NOT NULL,
  commands_timed_out INTEGER NOT NULL,
  commands_cut_off   INTEGER NOT NULL,
  commands_not_sent  INTEGER NOT NULL,
  reconnections      INTEGER NOT NULL,
  snmp_source        TEXT NOT NULL,  -- ADDRESS:PORT, or a capture's folder
  walks_answered     INTEGER NOT NULL,
  walks_unanswered   INTEGER NOT NULL
);
CREATE TABLE device_silent_contexts (
  device_id INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  context   TEXT NOT NULL
);
CREATE TABLE device_problems (
  device_id INTEGER NOT NULL REFERENCES devices(id) ON DELETE CASCADE,
  text      TEXT NOT NULL
);
CREATE INDEX device_silent_contexts_by_device ON device_silent_contexts(device_id);
CREATE INDEX device_problems_by_device ON device_problems(device_id);
)sql";

// Schema 4: the erx-discover that made each run ("erx-discover 1.0.0 (commit
// ...)"); NULL on runs made before.
const char kVersion4[] = R"sql(
ALTER TABLE runs ADD COLUMN program_version TEXT;
)sql";

// Schema 5: the region each device was given in its inventory; NULL on
// devices stored before and on those of an inventory without regions.
const char kVersion5[] = R"sql(
ALTER TABLE devices ADD COLUMN region TEXT;
)sql";

// Schema 6: the jobs of runs that pollers share, and the pollers. Only a
// PostgreSQL store hands out jobs (JobStore.h); the tables are here too so
// that both engines keep the same tables.
const char kVersion6[] = R"sql(
CREATE TABLE jobs (
  id              INTEGER PRIMARY KEY,
  run_id          INTEGER NOT NULL REFERENCES runs(id) ON DELETE CASCADE,
  device          TEXT NOT NULL,
  source          TEXT NOT NULL,
  region          TEXT NOT NULL,
  settings        TEXT NOT NULL,  -- the device's inventory keys; names of variables, never secrets
  state           TEXT NOT NULL CHECK (state IN ('waiting', 'running', 'done', 'failed')),
  poller          TEXT,           -- the poller holding or last holding it
  attempt         INTEGER NOT NULL DEFAULT 0,
  lease_end       TEXT,
  stopped_pollers TEXT NOT NULL DEFAULT '',  -- pollers whose lease ran out on it, ', ' between
  UNIQUE (run_id, device)
);
CREATE INDEX jobs_by_state ON jobs(state, region);
CREATE TABLE pollers (
  name          TEXT PRIMARY KEY,
  regions       TEXT NOT NULL,
  host          TEXT NOT NULL,
  pid           INTEGER NOT NULL,
  lease_seconds REAL NOT NULL,
  started_at    TEXT NOT NULL,
  heartbeat     TEXT NOT NULL
);
)sql";

// Step i brings a file of schema i to schema i + 1; a new file runs them all.
// A later schema appends its step here and raises kSchemaVersion.
const char* const kMigrations[] = {kCreateVersion1, kVersion2, kVersion3,
                                   kVersion4,       kVersion5, kVersion6};
static_assert(sizeof(kMigrations) / sizeof(kMigrations[0]) == kSchemaVersion,
              "one migration step per schema version");

int64_t Pragma(SqlDatabase& db, const char* name) {
  Statement pragma(db, (std::string("PRAGMA ") + name).c_str());
  return pragma.Next() ? pragma.Int(0) : 0;
}

// Three reads: only consistent inside a transaction.
FoundSchema Inspect(SqlDatabase& db) {
  FoundSchema found;
  const int64_t application = Pragma(db, "application_id");
  found.version = Pragma(db, "user_version");
  Statement objects(db, "SELECT count(*) FROM sqlite_master");
  objects.Next();
  found.empty = application == 0 && found.version == 0 && objects.Int(0) == 0;
  found.ours = application == kApplicationId;
  return found;
}

// The whole check, and the creation or migration, under the write lock taken
// first: another process creating the same new file at this moment is either
// done (and its store is found whole) or waits for this one.
void CheckAndMigrate(SqlDatabase& db, const std::string& path) {
  Transaction transaction(db);
  const FoundSchema found = Inspect(db);
  const std::string refusal = SchemaRefusal(found, path, Access::kWrite);
  if (!refusal.empty()) throw StoreError(refusal);
  if (found.version == kSchemaVersion) return;
  for (int64_t step = found.version; step < kSchemaVersion; ++step) db.Execute(kMigrations[step]);
  db.Execute(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
  db.Execute(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
  transaction.Commit();
}

// Turning the log on needs the file to itself for a moment. SQLite answers
// "database is locked" at once, without its busy timeout, when another
// connection read the file meanwhile (two runs making one new store): that
// is waited out here, as long as the busy timeout.
void TurnOnWriteAheadLog(SqliteDatabase& db) {
  for (int attempt = 0;; ++attempt) {
    try {
      db.Execute("PRAGMA journal_mode = WAL");
      return;
    } catch (const StoreError&) {
      if ((sqlite3_errcode(db.Handle()) & 0xff) != SQLITE_BUSY || attempt >= 600) throw;
      usleep(100 * 1000);
    }
  }
}

// SQLite says "unable to open database file" whatever the reason.
std::string WhyNotOpened(const std::string& path, Access access, sqlite3* db) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0 && errno == ENOENT) {
    if (access == Access::kRead) {
      return "there is no results store here (a fleet run with --store " + path + " makes one)";
    }
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    const std::string shown = folder.empty() ? "." : folder.string();
    if (stat(shown.c_str(), &info) != 0) {
      return "cannot make the store: the folder " + shown + " does not exist";
    }
    if (::access(shown.c_str(), W_OK) != 0) {
      return "cannot make the store in the read-only folder " + shown;
    }
  } else if (S_ISDIR(info.st_mode)) {
    return "is a folder, not a results store";
  }
  return db ? sqlite3_errmsg(db) : "cannot open";
}

}  // namespace

std::string SchemaRefusal(const FoundSchema& found, const std::string& path, Access access) {
  if (found.empty) return access == Access::kRead ? path + " holds no runs yet" : "";
  if (!found.ours) return path + " is not a results store of erx-discover";
  if (found.version > kSchemaVersion) {
    return path + " was written by a newer erx-discover (schema " + std::to_string(found.version) +
           "); this one reads schema " + std::to_string(kSchemaVersion);
  }
  if (found.version < kSchemaVersion && access == Access::kRead) {
    return path + " has schema " + std::to_string(found.version) +
           "; store a run into it with this erx-discover to bring it to schema " +
           std::to_string(kSchemaVersion);
  }
  return "";
}

Result<std::unique_ptr<SqliteDatabase>> OpenSqliteStore(const std::string& path, Access access) {
  sqlite3* handle = nullptr;
  const int flags =
      access == Access::kWrite ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
  if (sqlite3_open_v2(path.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
    Status failed = Status::Failure(path + ": " + WhyNotOpened(path, access, handle));
    sqlite3_close(handle);
    return failed;
  }
  auto db = std::make_unique<SqliteDatabase>(handle, path);
  try {
    Check(handle, sqlite3_busy_timeout(handle, 60000));
    try {
      if (access == Access::kWrite) {
        CheckAndMigrate(*db, path);
      } else {
        const std::string refusal = SchemaRefusal(Inspect(*db), path, access);
        if (!refusal.empty()) throw StoreError(refusal);
      }
    } catch (const StoreError& error) {
      // Told by its message: the rollback that followed has its own code.
      if (std::string(error.what()) != sqlite3_errstr(SQLITE_NOTADB)) throw;
      throw StoreError(path + " is not a results store of erx-discover (not an SQLite database)");
    }
    if (access == Access::kWrite) {
      TurnOnWriteAheadLog(*db);
      // With the log, NORMAL still survives a killed process whole; only a
      // power cut may lose the last devices stored, never consistency.
      db->Execute("PRAGMA synchronous = NORMAL");
    }
    db->Execute("PRAGMA foreign_keys = ON");
    return db;
  } catch (const StoreError& error) {
    const std::string problem = error.what();
    return Status::Failure(problem.compare(0, path.size(), path) == 0 ? problem
                                                                      : path + ": " + problem);
  }
}

}  // namespace store
