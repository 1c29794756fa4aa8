// The bytes one process hands another about a thing it found: numbers as
// variable-length integers, texts as a length and their bytes exactly as they
// are (no encoding, no escaping), optional values and lists behind a mark.
// A message is framed (a mark, its length, its payload, a checksum), so that
// a message cut short or changed on its way reads as a problem, never as a
// different message.
//
//   wire::Writer out;
//   out.Text("pe1");
//   out.Number(42);
//   const std::string bytes = wire::Frame(out.Bytes());
//
//   Result<std::string> payload = wire::Unframe(bytes);
//   if (!payload.ok()) ... payload.message()
//   wire::Reader in(payload.value());
//   std::string name;
//   int64_t count = 0;
//   if (!in.Text(name) || !in.Number(count)) ... in.Problem()
#ifndef WIRE_WIREFORMAT_H_
#define WIRE_WIREFORMAT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "status/Result.h"

namespace wire {

class Writer {
 public:
  void Count(uint64_t value);  // a length, a list's size, a mark
  void Number(int64_t value);
  void Text(const std::string& text);
  void OptionalText(const std::optional<std::string>& text);

  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Every read returns false once the bytes run out or do not fit; the first
// problem stays in Problem() and every later read fails too.
class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}

  bool Count(uint64_t& value);
  bool Number(int64_t& value);
  bool Int(int& value);  // a Number that fits an int
  bool Text(std::string& text);
  bool OptionalText(std::optional<std::string>& text);
  // A list's size: each element takes at least one byte, so a size larger
  // than what is left is refused before anything is allocated for it.
  bool ListSize(size_t& size);
  // A mark of presence: 0 or 1.
  bool Present(bool& present);

  bool AtEnd() const { return at_ == bytes_.size(); }
  size_t Position() const { return at_; }
  bool Fail(const std::string& problem);
  const std::string& Problem() const { return problem_; }

 private:
  const std::string& bytes_;
  size_t at_ = 0;
  std::string problem_;
};

std::string Frame(const std::string& payload);
// The payload of a whole frame and nothing after it; a failure says what is
// wrong (cut short, not a frame, a checksum that differs).
Result<std::string> Unframe(const std::string& bytes);

}  // namespace wire

#endif  // WIRE_WIREFORMAT_H_
