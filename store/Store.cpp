#include "store/Store.h"

#include "store/PostgresSchema.h"
#include "store/Schema.h"
#include "store/SqlStore.h"

namespace store {

std::unique_ptr<Store> OpenStore(const std::string& where, Access access, std::string& problem) {
  std::unique_ptr<SqlDatabase> db;
  if (IsPostgresLocation(where)) {
    db = OpenPostgresStore(where, access, problem);
  } else {
    db = OpenSqliteStore(where, access, problem);
  }
  if (!db) return nullptr;
  return std::make_unique<SqlStore>(std::move(db));
}

}  // namespace store
