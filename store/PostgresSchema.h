// The PostgreSQL store: the same tables and columns as the SQLite file
// (Schema.h), in the connection's current schema, recognised and versioned by
// the table erx_discover_schema (one row: the schema's version). Migration
// runs one step per transaction, each under an advisory lock so that two
// programs never run the same step; a newer schema, or a schema holding
// other tables but no erx_discover_schema, is refused and left as it was.
#ifndef STORE_POSTGRESSCHEMA_H_
#define STORE_POSTGRESSCHEMA_H_

#include <memory>
#include <string>

#include "store/Postgres.h"
#include "store/Store.h"

namespace store {

// Fails with a message naming the store when the database cannot be used
// (see Schema.h for what kWrite and kRead do).
Result<std::unique_ptr<PostgresDatabase>> OpenPostgresStore(const std::string& where,
                                                            Access access);

// Brings the store to schema `version` and no further (tests of migration).
void MigratePostgresStore(SqlDatabase& db, int version);

}  // namespace store

#endif  // STORE_POSTGRESSCHEMA_H_
