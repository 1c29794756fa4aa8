#include "captures/SnmpWalkReader.h"

#include <cctype>
#include <cstdlib>

namespace {

// What a walk prints instead of a value when there is none.
const char* const kNoValue[] = {"No Such Object", "No Such Instance", "No more variables"};

std::string Trimmed(std::string_view text) {
  const size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return "";
  return std::string(text.substr(start, text.find_last_not_of(" \t") + 1 - start));
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsHexContinuation(std::string_view line) {
  for (char c : line) {
    if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ' ') return false;
  }
  return !Trimmed(line).empty();
}

}  // namespace

SnmpWalkReader::SnmpWalkReader(const std::string& text) {
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.push_back(line);
    start = end + 1;
  }
}

bool SnmpWalkReader::Next(WalkObject& object) {
  while (next_ < lines_.size() && Trimmed(lines_[next_]).empty()) ++next_;
  if (next_ >= lines_.size()) return false;
  object = WalkObject();
  object.line = next_ + 1;
  object.text = lines_[next_++];
  const size_t equals = object.text.find(" = ");
  if (equals == std::string_view::npos) {
    object.problem = "not a walk line (\"OID = TYPE: value\")";
    return true;
  }
  object.name = Trimmed(object.text.substr(0, equals));
  ReadValue(Trimmed(object.text.substr(equals + 3)), object);
  return true;
}

void SnmpWalkReader::ReadValue(std::string value, WalkObject& object) {
  for (const char* marker : kNoValue) {
    if (StartsWith(value, marker)) {
      object.answered = false;
      return;
    }
  }
  object.type = "STRING";  // a walk prints an empty string as ""
  if (value == "NULL") {
    object.type = "NULL";
    return;
  }
  if (value[0] != '"') {
    const size_t colon = value.find(':');
    if (colon == std::string::npos) {
      object.problem = "cannot read the value";
      return;
    }
    object.type = value.substr(0, colon);
    value = Trimmed(std::string_view(value).substr(colon + 1));
  }
  if (!value.empty() && value[0] == '"') {
    ReadQuoted(value, object);
    return;
  }
  object.value = value;
  if (object.type != "Hex-STRING") return;
  // A long hex string goes on over the following lines.
  while (next_ < lines_.size() && IsHexContinuation(lines_[next_])) {
    object.value += " " + Trimmed(lines_[next_++]);
  }
}

// A quoted string may go on over the following lines.
void SnmpWalkReader::ReadQuoted(const std::string& first, WalkObject& object) {
  std::string text;
  std::string rest = first.substr(1);
  for (;;) {
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == '\\' && i + 1 < rest.size()) {
        text += rest[++i];
      } else if (rest[i] == '"') {
        object.value = std::move(text);
        return;
      } else {
        text += rest[i];
      }
    }
    if (next_ >= lines_.size()) {
      object.problem = "quoted string never ends";
      return;
    }
    text += '\n';
    rest = std::string(lines_[next_++]);
  }
}

std::string WalkWarning(const std::string& fileName, const WalkObject& object,
                        const std::string& why) {
  return fileName + ":" + std::to_string(object.line) + ": " + why + ": " + WalkQuoted(object.text);
}

std::string WalkQuoted(std::string_view line) {
  constexpr size_t kQuotedLength = 80;
  static const char kHex[] = "0123456789abcdef";
  std::string quoted;
  for (size_t i = 0; i < line.size() && i < kQuotedLength; ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == '\\') {
      quoted += "\\\\";
    } else if (c >= 0x20 && c < 0x7f) {
      quoted += static_cast<char>(c);
    } else {
      quoted += "\\x";
      quoted += kHex[c >> 4];
      quoted += kHex[c & 15];
    }
  }
  if (line.size() > kQuotedLength) quoted += "...";
  return quoted;
}

std::optional<int> WalkInteger(const std::string& value) {
  std::string digits = value;
  if (!value.empty() && value.back() == ')') {
    const size_t open = value.rfind('(');
    if (open == std::string::npos) return std::nullopt;
    digits = value.substr(open + 1, value.size() - open - 2);
  }
  if (digits.empty()) return std::nullopt;
  char* end = nullptr;
  const long number = std::strtol(digits.c_str(), &end, 10);
  if (*end != '\0' || !std::isdigit(static_cast<unsigned char>(digits.back()))) return std::nullopt;
  return static_cast<int>(number);
}
