#include "wire/WireFormat.h"

#include <climits>

namespace wire {

namespace {

const char kFrameMark[] = "erx-wire 1\n";
const size_t kFrameMarkSize = sizeof kFrameMark - 1;
const size_t kChecksumSize = 8;

// FNV-1a: not a defence against anyone, only against bytes lost or changed
// between two of our own processes.
uint64_t Checksum(const char* data, size_t size) {
  uint64_t hash = 14695981039346656037ULL;
  for (size_t i = 0; i < size; ++i) {
    hash ^= static_cast<unsigned char>(data[i]);
    hash *= 1099511628211ULL;
  }
  return hash;
}

void PutFixed64(std::string& out, uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

uint64_t GetFixed64(const char* data) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(data[i]);
  return value;
}

}  // namespace

void Writer::Count(uint64_t value) {
  while (value >= 0x80) {
    bytes_.push_back(static_cast<char>((value & 0x7f) | 0x80));
    value >>= 7;
  }
  bytes_.push_back(static_cast<char>(value));
}

void Writer::Number(int64_t value) {
  // Zigzag: small negative numbers stay short.
  Count((static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63));
}

void Writer::Text(const std::string& text) {
  Count(text.size());
  bytes_ += text;
}

void Writer::OptionalText(const std::optional<std::string>& text) {
  Count(text ? 1 : 0);
  if (text) Text(*text);
}

bool Reader::Fail(const std::string& problem) {
  if (problem_.empty()) problem_ = problem;
  at_ = bytes_.size();
  return false;
}

bool Reader::Count(uint64_t& value) {
  if (!problem_.empty()) return false;
  value = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (at_ >= bytes_.size()) return Fail("it ends in the middle of a value");
    const auto byte = static_cast<unsigned char>(bytes_[at_++]);
    if (shift == 63 && byte > 1) break;
    value |= static_cast<uint64_t>(byte & 0x7f) << shift;
    if (!(byte & 0x80)) return true;
  }
  return Fail("a number does not fit in 64 bits");
}

bool Reader::Number(int64_t& value) {
  uint64_t raw = 0;
  if (!Count(raw)) return false;
  value = static_cast<int64_t>(raw >> 1) ^ -static_cast<int64_t>(raw & 1);
  return true;
}

bool Reader::Int(int& value) {
  int64_t wide = 0;
  if (!Number(wide)) return false;
  if (wide < INT_MIN || wide > INT_MAX) return Fail("a number does not fit an int");
  value = static_cast<int>(wide);
  return true;
}

bool Reader::Text(std::string& text) {
  uint64_t size = 0;
  if (!Count(size)) return false;
  if (size > bytes_.size() - at_) return Fail("it ends in the middle of a text");
  text.assign(bytes_, at_, static_cast<size_t>(size));
  at_ += static_cast<size_t>(size);
  return true;
}

bool Reader::Present(bool& present) {
  uint64_t mark = 0;
  if (!Count(mark)) return false;
  if (mark > 1) return Fail("a mark of presence is neither 0 nor 1");
  present = mark == 1;
  return true;
}

bool Reader::OptionalText(std::optional<std::string>& text) {
  bool present = false;
  if (!Present(present)) return false;
  text.reset();
  if (!present) return true;
  text.emplace();
  return Text(*text);
}

bool Reader::ListSize(size_t& size) {
  uint64_t count = 0;
  if (!Count(count)) return false;
  if (count > bytes_.size() - at_) return Fail("a list is longer than what is left");
  size = static_cast<size_t>(count);
  return true;
}

std::string Frame(const std::string& payload) {
  Writer length;
  length.Count(payload.size());
  std::string framed = kFrameMark + length.Bytes();
  framed.reserve(framed.size() + payload.size() + kChecksumSize);
  framed += payload;
  PutFixed64(framed, Checksum(payload.data(), payload.size()));
  return framed;
}

Result<std::string> Unframe(const std::string& bytes) {
  if (bytes.empty()) {
    return Status::Failure("nothing came");
  }
  if (bytes.compare(0, kFrameMarkSize, kFrameMark) != 0) {
    return Status::Failure(bytes.size() < kFrameMarkSize &&
                                   std::string(kFrameMark).compare(0, bytes.size(), bytes) == 0
                               ? "it ends in its first line"
                               : "it does not start as a message of this program");
  }
  const std::string rest = bytes.substr(kFrameMarkSize, 10);
  Reader lengthReader(rest);
  uint64_t size = 0;
  if (!lengthReader.Count(size)) {
    return Status::Failure(lengthReader.Problem());
  }
  const size_t start = kFrameMarkSize + lengthReader.Position();
  const size_t available = bytes.size() - start;
  if (size > available || available - size < kChecksumSize) {
    return Status::Failure("it was cut short (" + std::to_string(bytes.size()) + " bytes)");
  }
  if (available - size > kChecksumSize) {
    return Status::Failure("more follows its end");
  }
  const char* data = bytes.data() + start;
  if (GetFixed64(data + size) != Checksum(data, static_cast<size_t>(size))) {
    return Status::Failure("its checksum does not match: bytes were changed on the way");
  }
  return std::string(data, static_cast<size_t>(size));
}

}  // namespace wire
