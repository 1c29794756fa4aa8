// One row of a query read with its columns checked: a value that does not fit
// what the store writes throws StoreError naming the table and the row
// ("table vrfs, row 7: column name holds no text").
//
//   for (rows.Bind(device); rows.Next();) {
//     const StoredRow row(rows, "errors", rows.Int(0));
//     r.errors.push_back({row.Int(1, "code"), row.Text(2, "source"), ...});
//   }
#ifndef STORE_STOREDROW_H_
#define STORE_STOREDROW_H_

#include <cstdint>
#include <optional>
#include <string>

#include "store/SqlDatabase.h"

namespace store {

class StoredRow {
 public:
  // The row of `table` whose key is `key` (its rowid or id).
  StoredRow(const Statement& rows, const char* table, int64_t key)
      : StoredRow(rows, table, std::to_string(key)) {}
  // `key` as it should be shown, e.g. "(label_entry_id 7, position 0)".
  StoredRow(const Statement& rows, const char* table, std::string key)
      : cursor_(rows.Cursor()), table_(table), key_(std::move(key)) {}

  std::string Text(int column, const char* name) const;
  std::optional<std::string> OptionalText(int column, const char* name) const;
  int Int(int column, const char* name) const;
  std::optional<int> OptionalInt(int column, const char* name) const;

  [[noreturn]] void Refuse(const std::string& why) const;

 private:
  const SqlCursor& cursor_;
  const char* table_;
  std::string key_;
};

}  // namespace store

#endif  // STORE_STOREDROW_H_
