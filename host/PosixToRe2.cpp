#include "host/PosixToRe2.h"

#include <bitset>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

namespace pelk {
namespace {

constexpr int kMaxRepeat = 1000;  // RE2's own limit

using ByteSet = std::bitset<256>;

void AddRange(ByteSet& set, int lo, int hi) {
  for (int c = lo; c <= hi; ++c) set.set(static_cast<std::size_t>(c));
}

// Character classes of the C locale.
bool AddNamedClass(ByteSet& set, std::string_view name) {
  if (name == "alpha") {
    AddRange(set, 'a', 'z');
    AddRange(set, 'A', 'Z');
  } else if (name == "upper") {
    AddRange(set, 'A', 'Z');
  } else if (name == "lower") {
    AddRange(set, 'a', 'z');
  } else if (name == "digit") {
    AddRange(set, '0', '9');
  } else if (name == "xdigit") {
    AddRange(set, '0', '9');
    AddRange(set, 'a', 'f');
    AddRange(set, 'A', 'F');
  } else if (name == "alnum") {
    AddRange(set, '0', '9');
    AddRange(set, 'a', 'z');
    AddRange(set, 'A', 'Z');
  } else if (name == "space") {
    AddRange(set, '\t', '\r');
    set.set(' ');
  } else if (name == "blank") {
    set.set('\t');
    set.set(' ');
  } else if (name == "punct") {
    AddRange(set, '!', '/');
    AddRange(set, ':', '@');
    AddRange(set, '[', '`');
    AddRange(set, '{', '~');
  } else if (name == "print") {
    AddRange(set, ' ', '~');
  } else if (name == "graph") {
    AddRange(set, '!', '~');
  } else if (name == "cntrl") {
    AddRange(set, 0, 31);
    set.set(127);
  } else {
    return false;
  }
  return true;
}

void AppendByte(std::string& out, unsigned char c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\x{%02x}", c);
  out += buf;
}

// RE2 (2022-06-01) in Latin-1 mode loses a byte above 0x7F that it factors out
// of alternatives ("\xffc|\xff" then finds nothing in "\xff\xff"); in a group
// of its own the byte is not factored.
void AppendHighByte(std::string& out, unsigned char c) {
  out += '(';
  AppendByte(out, c);
  out += ')';
}

// Everything but letters, digits and "_" is written escaped so that RE2 cannot
// give it a meaning of its own.
void AppendLiteral(std::string& out, unsigned char c) {
  if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_') {
    out += static_cast<char>(c);
  } else if (c > ' ' && c < 127) {
    out += '\\';
    out += static_cast<char>(c);
  } else if (c < 0x80) {
    AppendByte(out, c);
  } else {
    AppendHighByte(out, c);
  }
}

void AppendSet(std::string& out, const ByteSet& set) {
  if (set.none()) {  // only reachable with an expression holding NUL bytes
    out += "[^\\x{00}-\\x{ff}]";
    return;
  }
  if (set.count() == 1) {  // RE2 reads a one-byte class as that byte
    for (int c = 0x80; c < 256; ++c) {
      if (set.test(static_cast<std::size_t>(c)))
        return AppendHighByte(out, static_cast<unsigned char>(c));
    }
  }
  out += '[';
  for (int c = 0; c < 256;) {
    if (!set.test(static_cast<std::size_t>(c))) {
      ++c;
      continue;
    }
    int hi = c;
    while (hi + 1 < 256 && set.test(static_cast<std::size_t>(hi) + 1)) ++hi;
    AppendByte(out, static_cast<unsigned char>(c));
    if (hi > c) {
      out += '-';
      AppendByte(out, static_cast<unsigned char>(hi));
    }
    c = hi + 1;
  }
  out += ']';
}

class Translator {
 public:
  explicit Translator(std::string_view in) : in_(in) {}

  Re2Translation Run() {
    Re2Translation r;
    if (Translate()) {
      r.ok = true;
      r.pattern = std::move(out_);
    } else {
      r.error = std::move(error_);
    }
    r.hasCaret = hasCaret_;
    return r;
  }

  // The bracket expression whose "[" is at in_[at].
  bool Bracket(std::size_t at, ByteSet& set, std::size_t& next) {
    pos_ = at + 1;
    if (!ParseBracket(set)) return false;
    next = pos_;
    return true;
  }

 private:
  static constexpr std::size_t kNone = std::string::npos;

  bool Fail(const char* why) {
    error_ = why;
    return false;
  }

  bool AtEnd() const { return pos_ >= in_.size(); }
  unsigned char Peek(std::size_t ahead = 0) const {
    return pos_ + ahead < in_.size() ? static_cast<unsigned char>(in_[pos_ + ahead]) : 0;
  }
  bool Has(std::size_t ahead) const { return pos_ + ahead < in_.size(); }

  void BeginAtom() {
    atomStart_ = out_.size();
    atomRepeated_ = false;
  }

  bool Translate() {
    std::vector<std::size_t> groups;
    while (!AtEnd()) {
      if (!TranslateNext(groups)) return false;
    }
    if (!groups.empty()) return Fail("unmatched (");
    return true;
  }

  // Translates the construct at pos_; `groups` holds where each open group
  // begins in out_.
  bool TranslateNext(std::vector<std::size_t>& groups) {
    const unsigned char c = Peek();
    switch (c) {
      case '(':
        OpenGroup(groups);
        return true;
      case ')':
        return CloseGroup(groups);
      case '|':
      case '^':
      case '$':
        TranslateNonAtom(c);
        return true;
      case '.':
        ++pos_;
        BeginAtom();
        out_ += '.';
        return true;
      case '[':
        return TranslateBracket();
      case '*':
      case '+':
      case '?':
        ++pos_;
        return Repeat(std::string(1, static_cast<char>(c)));
      case '{':
        return TranslateInterval();
      case '\\':
        return TranslateEscape();
      default:
        ++pos_;
        BeginAtom();
        AppendLiteral(out_, c);
        return true;
    }
  }

  void OpenGroup(std::vector<std::size_t>& groups) {
    ++pos_;
    groups.push_back(out_.size());
    out_ += '(';
    atomStart_ = kNone;
  }

  // A closed group is the atom a following operator repeats.
  bool CloseGroup(std::vector<std::size_t>& groups) {
    ++pos_;
    if (groups.empty()) return Fail("unmatched )");
    out_ += ')';
    atomStart_ = groups.back();
    atomRepeated_ = false;
    groups.pop_back();
    return true;
  }

  // "|", "^" and "$": nothing after them can be repeated.
  void TranslateNonAtom(unsigned char c) {
    ++pos_;
    if (c == '^') hasCaret_ = true;
    out_ += static_cast<char>(c);
    atomStart_ = kNone;
  }

  bool TranslateBracket() {
    ++pos_;
    ByteSet set;
    if (!ParseBracket(set)) return false;
    BeginAtom();
    AppendSet(out_, set);
    return true;
  }

  bool TranslateInterval() {
    ++pos_;
    std::string interval;
    if (!ParseInterval(interval)) return false;
    return Repeat(interval);
  }

  // A backslash makes the next character literal; escapes that mean
  // something else in other dialects are refused rather than misread.
  bool TranslateEscape() {
    if (!Has(1)) return Fail("trailing backslash");
    const unsigned char e = Peek(1);
    pos_ += 2;
    if ((e >= '0' && e <= '9') || (e >= 'a' && e <= 'z') || (e >= 'A' && e <= 'Z') || e == '<' ||
        e == '>' || e == '`' || e == '\'') {
      return Fail("back-reference or escape without a POSIX meaning");
    }
    BeginAtom();
    AppendLiteral(out_, e);
    return true;
  }

  bool Repeat(const std::string& op) {
    if (atomStart_ == kNone) return Fail("repetition operator without operand");
    // Stacked operators nest: "a+?" is "(a+)?", never a lazy "+".
    if (atomRepeated_) {
      out_.insert(atomStart_, 1, '(');
      out_ += ')';
    }
    out_ += op;
    atomRepeated_ = true;
    return true;
  }

  // Reads a decimal count; -1 when there are no digits.
  long ReadCount() {
    long n = -1;
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
      n = (n < 0 ? 0 : n) * 10 + (Peek() - '0');
      if (n > kMaxRepeat) n = kMaxRepeat + 1;  // keeps growing digits bounded
      ++pos_;
    }
    return n;
  }

  // After "{": "m}", "m,}", "m,n}" and ",n}" (as "0,n").
  bool ParseInterval(std::string& out) {
    long lo = ReadCount();
    long hi = lo;
    bool open = false;
    if (!AtEnd() && Peek() == ',') {
      ++pos_;
      if (lo < 0) lo = 0;
      hi = ReadCount();
      open = hi < 0;
    }
    if (AtEnd()) return Fail("unterminated {");
    if (lo < 0 || Peek() != '}') return Fail("malformed repeat count");
    ++pos_;
    if (lo > kMaxRepeat || hi > kMaxRepeat) return Fail("repeat count above 1000");
    if (!open && hi < lo) return Fail("repeat counts out of order");
    out = "{" + std::to_string(lo);
    if (open) {
      out += ",";
    } else if (hi != lo) {
      out += "," + std::to_string(hi);
    }
    out += "}";
    return true;
  }

  enum class ElemKind { kChar, kClass, kEquiv };
  struct Elem {
    ElemKind kind = ElemKind::kChar;
    unsigned char ch = 0;
    ByteSet set;
  };

  // "[.x.]", "[=x=]" or "[:name:]", with pos_ on the opening "[".
  bool ParseSymbol(Elem& elem) {
    const char delim = static_cast<char>(Peek(1));
    const std::size_t nameStart = pos_ + 2;
    std::size_t i = nameStart;
    while (i + 1 < in_.size() && !(in_[i] == delim && in_[i + 1] == ']')) ++i;
    if (i + 1 >= in_.size()) return Fail("unterminated [");
    const std::string_view name = in_.substr(nameStart, i - nameStart);
    pos_ = i + 2;
    if (delim == ':') {
      elem.kind = ElemKind::kClass;
      if (!AddNamedClass(elem.set, name)) return Fail("unknown character class");
      return true;
    }
    // Only single characters collate in the C locale.
    if (name.size() != 1) return Fail("invalid collating element");
    elem.kind = delim == '=' ? ElemKind::kEquiv : ElemKind::kChar;
    elem.ch = static_cast<unsigned char>(name[0]);
    return true;
  }

  bool StartsSymbol() const {
    return Peek() == '[' && Has(1) && (Peek(1) == '.' || Peek(1) == '=' || Peek(1) == ':');
  }

  // After "[". A backslash is an ordinary character here.
  bool ParseBracket(ByteSet& result) {
    bool negate = false;
    if (!AtEnd() && Peek() == '^') {
      negate = true;
      ++pos_;
    }
    ByteSet set;
    bool first = true;
    for (;;) {
      if (AtEnd()) return Fail("unmatched [");
      if (Peek() == ']' && !first) {
        ++pos_;
        break;
      }
      if (!ParseBracketTerm(first, set)) return false;
      first = false;
    }
    result = negate ? ~set : set;
    return true;
  }

  // One element of a bracket expression, or a range, added to `set`.
  bool ParseBracketTerm(bool first, ByteSet& set) {
    Elem start;
    if (!ParseRangeStart(first, start)) return false;
    if (start.kind == ElemKind::kChar && !AtEnd() && Peek() == '-' && Has(1) && Peek(1) != ']') {
      ++pos_;
      Elem end;
      if (!ParseRangeEnd(end)) return false;
      if (end.ch < start.ch) return Fail("empty range");
      AddRange(set, start.ch, end.ch);
    } else if (start.kind == ElemKind::kClass) {
      set |= start.set;
    } else {
      set.set(start.ch);
    }
    return true;
  }

  // A "-" is literal only first or last in the brackets, or as a range end.
  bool ParseRangeStart(bool first, Elem& start) {
    if (StartsSymbol()) return ParseSymbol(start);
    if (Peek() == '-' && !first && !(Has(1) && Peek(1) == ']')) return Fail("invalid range");
    start.ch = Peek();
    ++pos_;
    return true;
  }

  // After the "-" of a range: a character or a collating element.
  bool ParseRangeEnd(Elem& end) {
    if (!StartsSymbol()) {
      end.ch = Peek();
      ++pos_;
      return true;
    }
    if (!ParseSymbol(end)) return false;
    if (end.kind != ElemKind::kChar) return Fail("invalid range end");
    return true;
  }

  std::string_view in_;
  std::size_t pos_ = 0;
  std::string out_;
  std::string error_;
  bool hasCaret_ = false;
  std::size_t atomStart_ = kNone;  // where the last repeatable atom begins in out_
  bool atomRepeated_ = false;
};

}  // namespace

bool ReadBracket(std::string_view ere, std::size_t at, std::bitset<256>* set, std::size_t* next) {
  return Translator(ere).Bracket(at, *set, *next);
}

Re2Translation TranslatePosixEre(std::string_view ere) {
  try {
    return Translator(ere).Run();
  } catch (const std::exception&) {
    Re2Translation r;
    r.error = "out of memory";
    return r;
  }
}

}  // namespace pelk
