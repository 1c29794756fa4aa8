// An optional text that most rows of a large list lack: one pointer, with the
// text on the heap only when it is set. It reads and assigns like
// std::optional<std::string> and converts to one.
//
//   report::SparseText owner;        // 8 bytes, against 40 for the optional
//   owner = "ldp";
//   if (owner && *owner == "ldp") ...
//   report::Text copy = owner;        // std::optional<std::string>
#ifndef REPORT_SPARSETEXT_H_
#define REPORT_SPARSETEXT_H_

#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace report {

class SparseText {
 public:
  SparseText() = default;
  SparseText(std::nullopt_t) {}  // NOLINT: as an optional
  explicit SparseText(const std::optional<std::string>& text) { *this = text; }
  SparseText(const SparseText& other) { *this = other; }
  SparseText(SparseText&&) noexcept = default;

  SparseText& operator=(const SparseText& other) {
    if (this != &other) text_.reset(other.text_ ? new std::string(*other.text_) : nullptr);
    return *this;
  }
  SparseText& operator=(SparseText&&) noexcept = default;
  SparseText& operator=(std::nullopt_t) {
    text_.reset();
    return *this;
  }
  SparseText& operator=(std::string text) {
    if (text_) {
      *text_ = std::move(text);
    } else {
      text_.reset(new std::string(std::move(text)));
    }
    return *this;
  }
  SparseText& operator=(const char* text) { return *this = std::string(text); }
  SparseText& operator=(const std::optional<std::string>& text) {
    if (text) return *this = *text;
    return *this = std::nullopt;
  }

  explicit operator bool() const { return text_ != nullptr; }
  bool has_value() const { return text_ != nullptr; }
  const std::string& operator*() const { return *text_; }
  std::string& operator*() { return *text_; }
  const std::string* operator->() const { return text_.get(); }
  std::string* operator->() { return text_.get(); }
  const std::string& value() const {
    if (!text_) throw std::bad_optional_access();
    return *text_;
  }
  std::string value_or(const std::string& fallback) const { return text_ ? *text_ : fallback; }
  void reset() { text_.reset(); }

  operator std::optional<std::string>() const {  // NOLINT: reads as the optional it stands for
    return text_ ? std::optional<std::string>(*text_) : std::nullopt;
  }

  friend bool operator==(const SparseText& a, const SparseText& b) {
    return a.text_ && b.text_ ? *a.text_ == *b.text_ : !a.text_ && !b.text_;
  }
  friend bool operator==(const SparseText& a, const std::optional<std::string>& b) {
    return a.text_ && b ? *a.text_ == *b : !a.text_ && !b;
  }
  friend bool operator==(const SparseText& a, const std::string& b) {
    return a.text_ && *a.text_ == b;
  }
  friend bool operator==(const SparseText& a, const char* b) { return a.text_ && *a.text_ == b; }
  friend bool operator==(const SparseText& a, std::nullopt_t) { return !a.text_; }
  template <typename T>
  friend bool operator!=(const SparseText& a, const T& b) {
    return !(a == b);
  }

 private:
  std::unique_ptr<std::string> text_;
};

}  // namespace report

#endif  // REPORT_SPARSETEXT_H_
