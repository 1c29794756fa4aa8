// The rows a query gives on an SQLite file, each row's columns joined by '|':
// a column's bytes as stored, NULL as "NULL"; one row "error: ..." when the
// query cannot run.
//
//   EXPECT_THAT(SqliteRows(store, "SELECT name, status FROM devices"), ElementsAre("pe1|ok"));
#ifndef TESTS_SUPPORT_SQLITEROWS_H_
#define TESTS_SUPPORT_SQLITEROWS_H_

#include <sqlite3.h>

#include <string>
#include <vector>

inline std::vector<std::string> SqliteRows(const std::string& file, const std::string& sql) {
  std::vector<std::string> rows;
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_busy_timeout(db, 10000);  // a fleet run may be writing
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    rows.push_back(std::string("error: ") + sqlite3_errmsg(db));
  }
  while (statement && sqlite3_step(statement) == SQLITE_ROW) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, i));
      if (i > 0) row += '|';
      row += sqlite3_column_type(statement, i) == SQLITE_NULL
                 ? std::string("NULL")
                 : std::string(bytes ? bytes : "", sqlite3_column_bytes(statement, i));
    }
    rows.push_back(row);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

#endif  // TESTS_SUPPORT_SQLITEROWS_H_
