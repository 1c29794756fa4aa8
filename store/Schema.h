// The SQLite store's file: recognised by its application id, versioned by its
// user_version. A file of an older schema is brought up to date by the
// migration steps in order; a newer one, another application's database or a
// file that is not SQLite at all is refused and left as it was.
#ifndef STORE_SCHEMA_H_
#define STORE_SCHEMA_H_

#include <cstdint>
#include <memory>
#include <string>

#include "store/Sqlite.h"
#include "store/Store.h"

namespace store {

const int32_t kApplicationId = 0x45524453;  // "ERDS"
const int kSchemaVersion = 6;

// What a store holds: nothing yet, a store of some schema, or something else.
struct FoundSchema {
  bool empty = false;
  bool ours = false;
  int64_t version = 0;
};

// "" when a store found so may be used (after migrating it, when writing);
// else why not, naming it by `where`.
std::string SchemaRefusal(const FoundSchema& found, const std::string& where, Access access);

// Opens `path` with foreign keys on and a busy timeout long enough for other
// writers. kWrite creates the file or migrates it (the check and the change in
// one transaction that holds the write lock) and turns on write-ahead logging
// so readers and one writer at a time work side by side; kRead opens an
// existing store of this schema and changes nothing. Fails with a message
// naming the file when it cannot be used.
Result<std::unique_ptr<SqliteDatabase>> OpenSqliteStore(const std::string& path, Access access);

}  // namespace store

#endif  // STORE_SCHEMA_H_
