#include "readers/LabelTable.h"

#include <cstddef>

namespace {

using Words = std::vector<std::string_view>;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool Same(std::string_view word, std::string_view lowerCase) {
  if (word.size() != lowerCase.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (Lower(word[i]) != lowerCase[i]) return false;
  }
  return true;
}

bool IsLabel(std::string_view word) {
  if (word.empty()) return false;
  for (char c : word) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view line) {
  size_t begin = 0, end = line.size();
  while (begin < end && IsBlank(line[begin])) ++begin;
  while (end > begin && IsBlank(line[end - 1])) --end;
  return line.substr(begin, end - begin);
}

// Words apart by blanks; with `commas`, each comma is a word of its own.
Words Split(std::string_view text, bool commas = false) {
  Words words;
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
    } else if (commas && text[i] == ',') {
      words.push_back(text.substr(i++, 1));
    } else {
      const size_t start = i;
      while (i < text.size() && !IsBlank(text[i]) && !(commas && text[i] == ',')) ++i;
      words.push_back(text.substr(start, i - start));
    }
  }
  return words;
}

bool IsColumnHeading(const Words& words) {
  if (words.size() == 4) {
    return Same(words[0], "in") && Same(words[1], "label") && Same(words[2], "owner") &&
           Same(words[3], "action");
  }
  return words.size() == 3 && Same(words[0], "interface") && Same(words[1], "owner") &&
         Same(words[2], "action");
}

bool IsRule(std::string_view line) {
  if (line.empty()) return false;
  for (char c : line) {
    if (c != '-' && !IsBlank(c)) return false;
  }
  return true;
}

std::string Collapsed(const Words& words) {
  std::string text;
  for (std::string_view word : words) {
    if (!text.empty()) text += ' ';
    text.append(word);
  }
  return text;
}

// The action's words after its verb, read clause by clause. False when a word
// fits no clause, or a clause repeats what another already said.
class ActionReader {
 public:
  ActionReader(const Words& words, LabelTableRow& row) : words_(words), row_(row) {}

  bool Read() {
    if (words_.empty()) return false;
    const std::string_view verb = words_[0];
    next_ = 1;
    if (Same(verb, "swap")) {
      if (!Word("to") || !Label(row_.outLabel)) return false;
      row_.action = "swap";
    } else if (Same(verb, "pop")) {
      if (Word("and") && !Word("forward")) return false;
      row_.action = "pop";
    } else if (Same(verb, "lookup")) {
      // A lookup sends nothing out: its "on" names what is looked at.
      if (Word("on") &&
          !(Word("inner") && (Word("header/label") || Word("header") || Word("label")))) {
        return false;
      }
      row_.action = "lookup";
    } else if (Same(verb, "l2transport")) {
      if (!Word("to") || !Interface(row_.outInterface)) return false;
      row_.action = "l2transport";
    } else {
      return false;
    }
    return Clauses();
  }

 private:
  bool Clauses() {
    while (true) {
      next_ = PastCommas(next_);
      if (next_ == words_.size()) return true;
      if (!Clause()) return false;
    }
  }

  bool Clause() {
    if (Word("push")) return PushLabels();
    if (Word("on")) return !row_.outInterface && Interface(row_.outInterface);
    if (Word("nbr")) return NextHop();
    return false;
  }

  // One label or more, commas allowed between them.
  bool PushLabels() {
    const size_t before = row_.pushLabels.size();
    while (true) {
      const size_t after = PastCommas(next_);
      if (after == words_.size() || !IsLabel(words_[after])) break;
      row_.pushLabels.emplace_back(words_[after]);
      next_ = after + 1;
    }
    return row_.pushLabels.size() != before;
  }

  bool NextHop() {
    if (row_.nextHop || next_ == words_.size() || words_[next_] == ",") return false;
    row_.nextHop = std::string(words_[next_++]);
    return true;
  }

  size_t PastCommas(size_t at) const {
    while (at < words_.size() && words_[at] == ",") ++at;
    return at;
  }

  bool Word(std::string_view lowerCase) {
    if (next_ == words_.size() || !Same(words_[next_], lowerCase)) return false;
    ++next_;
    return true;
  }
  bool Label(std::optional<std::string>& out) {
    if (next_ == words_.size() || !IsLabel(words_[next_])) return false;
    out = std::string(words_[next_++]);
    return true;
  }
  // "ATM5/0.1", or a tunnel printed "tun mpls:1".
  bool Interface(std::optional<std::string>& out) {
    if (next_ == words_.size() || words_[next_] == ",") return false;
    std::string name(words_[next_++]);
    if (Same(name, "tun") && next_ < words_.size() && words_[next_] != ",") {
      name += ' ';
      name.append(words_[next_++]);
    }
    out = std::move(name);
    return true;
  }

  const Words& words_;
  LabelTableRow& row_;
  size_t next_ = 0;
};

// A quote of router text in a note, kept to one short line.
std::string Quoted(std::string_view text) {
  const size_t kLongest = 120;
  std::string quoted = "\"";
  quoted.append(text.substr(0, kLongest));
  if (text.size() > kLongest) quoted += "...";
  return quoted + "\"";
}

std::string Where(size_t lineNumber) {
  return "show mpls forwarding brief, line " + std::to_string(lineNumber) + ": ";
}

std::vector<std::string_view> TrimmedLines(std::string_view reply) {
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < reply.size();) {
    size_t end = reply.find('\n', start);
    if (end == std::string_view::npos) end = reply.size();
    lines.push_back(Trimmed(reply.substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

// True when the next line with text after line `i` is a column heading.
bool AboveColumns(const std::vector<std::string_view>& lines, size_t i) {
  size_t next = i + 1;
  while (next < lines.size() && lines[next].empty()) ++next;
  return next < lines.size() && IsColumnHeading(Split(lines[next]));
}

struct RowReading {
  LabelTableRow row;
  std::string_view action;
  bool understood = false;
};

// A line shaped as a row: its incoming label or interface, owner and action.
RowReading ReadRow(std::string_view line, const Words& words,
                   const std::optional<std::string>& labelSpace) {
  RowReading reading;
  LabelTableRow& row = reading.row;
  (IsLabel(words[0]) ? row.inLabel : row.inInterface) = std::string(words[0]);
  row.owner = std::string(words[1]);
  row.labelSpace = labelSpace;
  reading.action = line.substr(static_cast<size_t>(words[2].data() - line.data()));
  reading.understood = ActionReader(Split(reading.action, true), row).Read();
  return reading;
}

// What a row whose action did not read keeps: nothing the action's reading
// may have half filled in.
LabelTableRow KeptAsOther(const LabelTableRow& row, std::string_view action) {
  LabelTableRow other;
  other.inLabel = row.inLabel;
  other.inInterface = row.inInterface;
  other.owner = row.owner;
  other.labelSpace = row.labelSpace;
  other.action = "other";
  other.actionText = std::string(action);
  return other;
}

}  // namespace

bool IsLabelTable(std::string_view reply) {
  size_t start = 0;
  while (start < reply.size()) {
    size_t end = reply.find('\n', start);
    if (end == std::string_view::npos) end = reply.size();
    const std::string_view line = Trimmed(reply.substr(start, end - start));
    // Only a line that begins as a column heading is split into words.
    if (!line.empty() && Lower(line[0]) == 'i' && IsColumnHeading(Split(line))) return true;
    start = end + 1;
  }
  return false;
}

LabelTable ReadLabelTable(std::string_view reply) {
  const std::vector<std::string_view> lines = TrimmedLines(reply);
  LabelTable table;
  std::optional<std::string> labelSpace;
  bool inTable = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (line.empty() || IsRule(line)) continue;
    const Words words = Split(line);
    if (IsColumnHeading(words)) {
      inTable = true;
      continue;
    }
    const bool rowShape = inTable && words.size() >= 3;
    RowReading reading;
    if (rowShape) reading = ReadRow(line, words, labelSpace);
    // A row that reads stays a row even right above the next table's columns.
    if (AboveColumns(lines, i) && !reading.understood) {
      if (!(words.size() == 1 && Same(words[0], "l2transport"))) labelSpace = Collapsed(words);
      continue;
    }
    if (!rowShape) {
      table.notes.push_back(Where(i + 1) + "not a row of the table, not read: " + Quoted(line));
      continue;
    }
    if (!reading.understood) {
      reading.row = KeptAsOther(reading.row, reading.action);
      table.notes.push_back(Where(i + 1) +
                            "action not understood, kept as \"other\": " + Quoted(reading.action));
    }
    table.rows.push_back(std::move(reading.row));
  }
  return table;
}
