#include "store/StoredRow.h"

#include <climits>

#include "report/ReportText.h"

namespace store {

void StoredRow::Refuse(const std::string& why) const {
  throw StoreError("table " + std::string(table_) + ", row " + key_ + ": " + why);
}

std::optional<std::string> StoredRow::OptionalText(int column, const char* name) const {
  if (cursor_.IsNull(column)) return std::nullopt;
  std::optional<std::string> text = cursor_.TextValue(column);
  if (!text) Refuse(std::string("column ") + name + " holds no text");
  // What the store writes is valid UTF-8; every writer of a report relies on it.
  if (!IsValidUtf8(*text)) Refuse(std::string("column ") + name + " is not valid UTF-8");
  return text;
}

std::string StoredRow::Text(int column, const char* name) const {
  std::optional<std::string> text = OptionalText(column, name);
  if (!text) Refuse(std::string("column ") + name + " is NULL");
  return *text;
}

std::optional<int> StoredRow::OptionalInt(int column, const char* name) const {
  if (cursor_.IsNull(column)) return std::nullopt;
  const std::optional<int64_t> number = cursor_.Integer(column);
  if (!number) Refuse(std::string("column ") + name + " holds no integer");
  if (*number < INT_MIN || *number > INT_MAX) {
    Refuse(std::string("column ") + name + " is out of range (" + std::to_string(*number) + ")");
  }
  return static_cast<int>(*number);
}

int StoredRow::Int(int column, const char* name) const {
  const std::optional<int> number = OptionalInt(column, name);
  if (!number) Refuse(std::string("column ") + name + " is NULL");
  return *number;
}

}  // namespace store
