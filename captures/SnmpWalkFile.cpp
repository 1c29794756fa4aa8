#include "captures/SnmpWalkFile.h"

#include <cctype>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "host/KelSnmp.h"

namespace {

const char kMib2[] = ".1.3.6.1.2.1";

// What a walk prints instead of a value when there is none.
const char* const kNoValue[] = {"No Such Object", "No Such Instance", "No more variables"};

std::string Trimmed(const std::string& text) {
  size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return "";
  return text.substr(start, text.find_last_not_of(" \t") + 1 - start);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

enum class Name { kRow, kOtherColumn, kBad };

Name NumericName(const std::string& oid, std::string& column, WalkRow& row) {
  for (const KelMibColumn& known : KelMibColumns()) {
    const std::string_view prefix(known.oid);
    if (oid.size() <= prefix.size() || oid.compare(0, prefix.size(), prefix) != 0 ||
        oid[prefix.size()] != '.') {
      continue;
    }
    if (!CKelASN1Address::Parse(oid.substr(prefix.size() + 1), row.instance)) return Name::kBad;
    column = known.name;
    return Name::kRow;
  }
  std::vector<unsigned int> whole;
  return CKelASN1Address::Parse(oid, whole) ? Name::kOtherColumn : Name::kBad;
}

// ".1.3.6...", "iso.3.6...", "1.3.6...", "IF-MIB::ifDescr.7", "ifDescr.7".
Name ReadName(std::string oid, std::string& column, WalkRow& row) {
  if (oid.empty()) return Name::kBad;
  if (StartsWith(oid, "iso.")) oid = ".1" + oid.substr(3);
  if (std::isdigit(static_cast<unsigned char>(oid[0]))) oid = "." + oid;
  if (oid[0] == '.') return NumericName(oid, column, row);

  size_t module = oid.find("::");
  if (module != std::string::npos) oid = oid.substr(module + 2);
  size_t dot = oid.find('.');
  if (dot == 0 || dot == std::string::npos) return Name::kBad;
  if (oid.compare(0, dot, "mib-2") == 0) return NumericName(kMib2 + oid.substr(dot), column, row);
  column = oid.substr(0, dot);
  return CKelASN1Address::Parse(oid.substr(dot + 1), row.instance) ? Name::kRow : Name::kBad;
}

// "5", "-3" or "up(1)".
std::optional<int> IntegerValue(const std::string& text) {
  std::string digits = text;
  if (!text.empty() && text.back() == ')') {
    size_t open = text.rfind('(');
    if (open == std::string::npos) return std::nullopt;
    digits = text.substr(open + 1, text.size() - open - 2);
  }
  if (digits.empty()) return std::nullopt;
  char* end = nullptr;
  long value = std::strtol(digits.c_str(), &end, 10);
  if (*end != '\0' || !std::isdigit(static_cast<unsigned char>(digits.back()))) return std::nullopt;
  return static_cast<int>(value);
}

// The text of a quoted string that starts `text` and may go on over the
// following lines; null when it never closes.
std::optional<std::string> QuotedString(const std::string& first,
                                        const std::vector<std::string_view>& lines, size_t& next) {
  std::string text;
  std::string rest = first.substr(1);
  for (;;) {
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == '\\' && i + 1 < rest.size()) {
        text += rest[++i];
      } else if (rest[i] == '"') {
        return text;
      } else {
        text += rest[i];
      }
    }
    if (next >= lines.size()) return std::nullopt;
    text += '\n';
    rest = std::string(lines[next++]);
  }
}

// A captured line as a warning quotes it: at most kQuotedLength characters,
// bytes outside printable ASCII as \xNN, so that no terminal or log reading the
// warning is disturbed by what the file held.
constexpr size_t kQuotedLength = 80;

std::string Quoted(std::string_view line) {
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

bool IsHexContinuation(const std::string& line) {
  for (char c : line) {
    if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ' ') return false;
  }
  return !Trimmed(line).empty();
}

}  // namespace

WalkColumns ParseSnmpWalk(const std::string& text, const std::string& fileName,
                          std::vector<std::string>& warnings) {
  // Views into `text`: a walk of a million rows is read without a second copy.
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }

  WalkColumns columns;
  // A Hex-STRING value may wrap onto further lines.
  bool inHex = false;
  WalkRow* hexRow = nullptr;
  size_t next = 0;
  while (next < lines.size()) {
    const size_t lineNo = next + 1;
    const std::string line(lines[next++]);
    auto bad = [&](const std::string& why) {
      warnings.push_back(fileName + ":" + std::to_string(lineNo) + ": " + why + ": " + Quoted(line));
    };
    if (Trimmed(line).empty()) continue;
    size_t equals = line.find(" = ");
    if (equals == std::string::npos) {
      if (inHex && IsHexContinuation(line)) {
        if (hexRow) hexRow->text += " " + Trimmed(line);
      } else {
        bad("not a walk line (\"OID = TYPE: value\")");
      }
      continue;
    }
    inHex = false;
    hexRow = nullptr;

    WalkRow row;
    std::string column;
    Name name = ReadName(Trimmed(line.substr(0, equals)), column, row);
    if (name == Name::kBad) {
      bad("cannot read the object identifier");
      continue;
    }
    std::string value = Trimmed(line.substr(equals + 3));
    bool noValue = false;
    for (const char* marker : kNoValue) noValue = noValue || StartsWith(value, marker);
    if (noValue) continue;

    std::string type = "STRING";  // net-snmp prints an empty string as ""
    if (value != "NULL" && value[0] != '"') {
      size_t colon = value.find(':');
      if (colon == std::string::npos) {
        bad("cannot read the value");
        continue;
      }
      type = value.substr(0, colon);
      value = Trimmed(value.substr(colon + 1));
    } else if (value == "NULL") {
      value.clear();
    }

    if (type == "INTEGER") {
      std::optional<int> number = IntegerValue(value);
      if (!number) {
        bad("INTEGER value is not a number");
        continue;
      }
      row.isInt = true;
      row.intValue = *number;
    } else if (!value.empty() && value[0] == '"') {
      std::optional<std::string> quoted = QuotedString(value, lines, next);
      if (!quoted) {
        bad("quoted string never ends");
        continue;
      }
      row.text = *quoted;
    } else {
      row.text = value;
    }
    inHex = type == "Hex-STRING";
    if (name == Name::kOtherColumn) continue;
    std::vector<WalkRow>& rows = columns[column];
    rows.push_back(row);
    if (inHex) hexRow = &rows.back();
  }
  return columns;
}
