#include "store/Store.h"

#include "store/PostgresSchema.h"
#include "store/Schema.h"
#include "store/SqlStore.h"

namespace store {

Result<std::unique_ptr<Store>> OpenStore(const std::string& where, Access access) {
  std::unique_ptr<SqlDatabase> db;
  const Status opened = IsPostgresLocation(where) ? OpenPostgresStore(where, access).Into(db)
                                                  : OpenSqliteStore(where, access).Into(db);
  if (!opened.ok()) return opened;
  return std::unique_ptr<Store>(std::make_unique<SqlStore>(std::move(db)));
}

}  // namespace store
