#include "store/SqlDatabase.h"

#include "report/ReportText.h"

namespace store {

Statement& Statement::Reset() {
  cursor_->Reset();
  next_ = 1;
  return *this;
}

Statement& Statement::Bind(const std::string& text) {
  if (IsValidUtf8(text)) {
    cursor_->BindText(next_++, text);
  } else {
    cursor_->BindText(next_++, ValidUtf8(text));
  }
  return *this;
}

Statement& Statement::Bind(const std::optional<std::string>& text) {
  return text ? Bind(*text) : BindNull();
}

Statement& Statement::Bind(int64_t number) {
  cursor_->BindInt(next_++, number);
  return *this;
}

Statement& Statement::Bind(const std::optional<int>& number) {
  return number ? Bind(*number) : BindNull();
}

Statement& Statement::Bind(double number) {
  cursor_->BindReal(next_++, number);
  return *this;
}

Statement& Statement::BindNull() {
  cursor_->BindNull(next_++);
  return *this;
}

void Statement::Run() {
  while (cursor_->Next()) {
  }
  Reset();
}

int64_t Statement::Insert() {
  if (!cursor_->Next()) throw StoreError("the insert returned no id");
  const std::optional<int64_t> id = cursor_->Integer(0);
  Run();
  if (!id) throw StoreError("the insert returned no id");
  return *id;
}

}  // namespace store
