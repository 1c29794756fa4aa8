// The compiled side of the POSIX expressions: one RE2 program per distinct
// expression, shared by every tree built from it, and the leftmost-longest
// search with its shortcuts.
#include <re2/re2.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/ByteScanner.h"
#include "host/PosixRegex.h"
#include "host/PosixToRe2.h"

namespace pelk {

struct CompiledEre {
  std::shared_ptr<const RE2> re;  // null when the expression was rejected
  std::string error;
  bool hasCaret = false;
  // Every non-empty match begins with a byte in [firstLo, firstHi]; when false,
  // the expression may match the empty text or the range is unknown.
  bool firstKnown = false;
  unsigned char firstLo = 0;
  unsigned char firstHi = 255;
  // A lone bracket expression repeated with "+" or "*" ("[0-9]+", "[^[:space:]]*"):
  // the run of its bytes, found without RE2.
  bool classRun = false;
  bool runMayBeEmpty = false;
  std::array<bool, 256> runBytes{};
  // Alternatives of plain words ("(In|Out)", "Interface"): found by comparing
  // bytes, leftmost and then longest.
  std::vector<std::string> words;
  std::array<bool, 256> wordStarts{};  // the first bytes of the words
  // "(X)*" where X never matches the empty text and each match of X begins
  // with a byte in [groupLo, groupHi]: a text that does not begin with such a
  // byte matches only the empty text at its start.
  bool groupStar = false;
  unsigned char groupLo = 0;
  unsigned char groupHi = 255;
  // Answers anchored searches without RE2 where it can; null for expressions
  // it does not read.
  std::unique_ptr<const ByteScanner> scanner;
};

namespace {

RE2::Options EngineOptions() {
  RE2::Options o;
  o.set_posix_syntax(true);
  o.set_longest_match(true);
  o.set_one_line(true);  // otherwise "^" also matches after each newline
  o.set_dot_nl(true);
  o.set_never_nl(false);
  o.set_case_sensitive(true);
  o.set_encoding(RE2::Options::EncodingLatin1);
  o.set_log_errors(false);
  return o;
}

// Where the bracket expression that opens at ere[at] ends (the index of its
// "]"), or npos.
std::size_t BracketEnd(std::string_view ere, std::size_t at) {
  std::size_t i = at + 1;
  if (i < ere.size() && ere[i] == '^') ++i;
  if (i < ere.size() && ere[i] == ']') ++i;  // a leading "]" is a member
  while (i < ere.size() && ere[i] != ']') {
    if (ere[i] == '[' && i + 1 < ere.size() &&
        (ere[i + 1] == ':' || ere[i + 1] == '.' || ere[i + 1] == '=')) {
      const char close[] = {ere[i + 1], ']', '\0'};
      const std::size_t end = ere.find(close, i + 2);
      if (end == std::string_view::npos) return std::string_view::npos;
      i = end + 2;
    } else {
      ++i;
    }
  }
  return i < ere.size() ? i : std::string_view::npos;
}

// "[...]" then "+" or "*" and nothing else: true with the repeat sign in *sign.
bool IsBracketRun(std::string_view ere, char* sign) {
  if (ere.empty() || ere[0] != '[') return false;
  const std::size_t end = BracketEnd(ere, 0);
  if (end == std::string_view::npos || end + 2 != ere.size() ||
      (ere[end + 1] != '+' && ere[end + 1] != '*')) {
    return false;
  }
  *sign = ere[end + 1];
  return true;
}

// "(X)*" with no anchor anywhere: true with X in *inner.
bool IsGroupStar(std::string_view ere, std::string_view* inner) {
  if (ere.size() < 4 || ere[0] != '(' || ere.substr(ere.size() - 2) != ")*") return false;
  if (ere.find_first_of("^$") != std::string_view::npos) return false;
  int depth = 0;
  for (std::size_t i = 0; i < ere.size(); ++i) {
    if (ere[i] == '\\') {
      ++i;
    } else if (ere[i] == '[') {
      i = BracketEnd(ere, i);
      if (i == std::string_view::npos) return false;
    } else if (ere[i] == '(') {
      ++depth;
    } else if (ere[i] == ')' && --depth == 0) {
      if (i != ere.size() - 2) return false;
      *inner = ere.substr(1, i - 1);
      return true;
    }
  }
  return false;
}

// "word", "(word|word)", "word|word" of letters, digits and blanks only.
bool IsPlainWords(std::string_view ere, std::vector<std::string>* words) {
  if (ere.size() >= 2 && ere.front() == '(' && ere.back() == ')') {
    ere = ere.substr(1, ere.size() - 2);
  }
  std::vector<std::string> found(1);
  for (const char c : ere) {
    if (c == '|') {
      if (found.back().empty()) return false;
      found.emplace_back();
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == ' ') {
      found.back() += c;
    } else {
      return false;
    }
  }
  if (found.back().empty()) return false;
  *words = std::move(found);
  return true;
}

std::unique_ptr<CompiledEre> Compile(std::string_view ere) {
  auto compiled = std::make_unique<CompiledEre>();
  CompiledEre& e = *compiled;
  Re2Translation t = TranslatePosixEre(ere);
  e.hasCaret = t.hasCaret;
  if (!t.ok) {
    e.error = std::move(t.error);
    return compiled;
  }
  auto re = std::make_shared<const RE2>(t.pattern, EngineOptions());
  if (!re->ok()) {
    e.error = re->error();
    return compiled;
  }
  std::string min;
  std::string max;
  if (re->PossibleMatchRange(&min, &max, 1) && !min.empty() && !max.empty()) {
    e.firstKnown = true;
    e.firstLo = static_cast<unsigned char>(min[0]);
    e.firstHi = static_cast<unsigned char>(max[0]);
  }
  char sign = 0;
  if (IsBracketRun(ere, &sign)) {
    // The members are what the compiled expression takes as a whole text of one byte.
    for (int c = 0; c < 256; ++c) {
      const char byte = static_cast<char>(c);
      e.runBytes[static_cast<std::size_t>(c)] =
          RE2::FullMatchN(re2::StringPiece(&byte, 1), *re, nullptr, 0);
    }
    e.classRun = true;
    e.runMayBeEmpty = sign == '*';
  }
  IsPlainWords(ere, &e.words);
  for (const std::string& word : e.words) e.wordStarts[static_cast<unsigned char>(word[0])] = true;
  std::string_view inner;
  if (IsGroupStar(ere, &inner)) {
    const std::unique_ptr<CompiledEre> group = Compile(inner);
    if (group->re && group->firstKnown) {
      e.groupStar = true;
      e.groupLo = group->firstLo;
      e.groupHi = group->firstHi;
    }
  }
  if (!e.classRun && e.words.empty()) e.scanner = ByteScanner::Build(ere);
  e.re = std::move(re);
  return compiled;
}

// Trees are rebuilt for every reply, VRF and virtual router from the same few
// expressions: each is translated and compiled once, and its program, with the
// states RE2 has already built for it, is shared by all of them. The cache is
// the thread's own, so looking up takes no lock; the agent runs on one thread.
class ProgramCache {
 public:
  std::shared_ptr<const CompiledEre> Get(std::string_view ere) {
    auto found = entries_.find(ere);
    if (found != entries_.end()) return found->second;
    std::shared_ptr<const CompiledEre> entry = Compile(ere);
    // Expressions built from router text (a next hop) are unbounded in number;
    // dropping them all now and then keeps the cache small, and patterns still
    // holding a program keep it alive.
    if (entries_.size() >= kMaxEntries) entries_.clear();
    return entries_.emplace(std::string(ere), std::move(entry)).first->second;
  }

 private:
  static constexpr std::size_t kMaxEntries = 512;

  std::map<std::string, std::shared_ptr<const CompiledEre>, std::less<>> entries_;
};

ProgramCache& Programs() {
  thread_local ProgramCache cache;
  return cache;
}

// "[0-9]+", "[^[:space:]]*": the first run of member bytes.
bool FindRun(const CompiledEre& p, std::string_view text, std::size_t* begin, std::size_t* end) {
  const auto member = [&](char c) { return p.runBytes[static_cast<unsigned char>(c)]; };
  std::size_t b = 0;
  if (!p.runMayBeEmpty) {
    while (b < text.size() && !member(text[b])) ++b;
    if (b == text.size()) return false;
  }
  std::size_t e = b;
  while (e < text.size() && member(text[e])) ++e;
  *begin = b;
  *end = e;
  return true;
}

// "(In|Out)": the leftmost word, the longest there.
bool FindWords(const CompiledEre& p, std::string_view text, std::size_t* begin, std::size_t* end) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!p.wordStarts[static_cast<unsigned char>(text[i])]) continue;
    std::size_t longest = 0;
    for (const std::string& word : p.words) {
      if (word.size() > longest && word.size() <= text.size() - i && text[i] == word[0] &&
          std::memcmp(text.data() + i, word.data(), word.size()) == 0) {
        longest = word.size();
      }
    }
    if (longest > 0) {
      *begin = i;
      *end = i + longest;
      return true;
    }
  }
  return false;
}

// The first of the first 64 places (only the start with "^") whose byte can
// begin a match, or npos.
std::size_t FirstPossibleStart(const CompiledEre& p, std::string_view text) {
  constexpr std::size_t kWindow = 64;
  const std::size_t window = p.hasCaret ? 1 : std::min(text.size(), kWindow);
  for (std::size_t i = 0; i < window; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= p.firstLo && c <= p.firstHi) return i;
  }
  return std::string_view::npos;
}

// The longest match that starts at text[at], searching text[at..] as a text of
// its own.
bool MatchAt(const CompiledEre& p, std::string_view text, std::size_t at, std::size_t* begin,
             std::size_t* end) {
  const std::string_view rest = text.substr(at);
  if (p.scanner) {
    std::size_t length = 0;
    if (!p.scanner->Longest(rest, &length)) return false;
    *begin = at;
    *end = at + length;
    return true;
  }
  re2::StringPiece match;
  const re2::StringPiece piece(rest.data(), rest.size());
  if (!p.re->Match(piece, 0, piece.size(), RE2::ANCHOR_START, &match, 1)) return false;
  *begin = at;
  *end = at + match.size();
  return true;
}

bool FindUnanchored(const CompiledEre& p, std::string_view text, std::size_t* begin,
                    std::size_t* end) {
  re2::StringPiece match;
  const re2::StringPiece piece(text.data(), text.size());
  if (!p.re->Match(piece, 0, piece.size(), RE2::UNANCHORED, &match, 1)) return false;
  const std::size_t b = match.data() ? static_cast<std::size_t>(match.data() - text.data()) : 0;
  *begin = b;
  *end = b + match.size();
  return true;
}

const std::string kOutOfMemory = "out of memory";

}  // namespace

PosixRegex::PosixRegex(std::string_view ere) {
  try {
    program_ = Programs().Get(ere);
  } catch (const std::exception&) {
    program_.reset();
  }
}

bool PosixRegex::ok() const { return program_ && program_->re; }

const std::string& PosixRegex::error() const { return program_ ? program_->error : kOutOfMemory; }

bool PosixRegex::hasCaret() const { return program_ && program_->hasCaret; }

bool PosixRegex::Find(std::string_view text, std::size_t* begin, std::size_t* end) const {
  if (!ok()) return false;
  const CompiledEre& p = *program_;
  if (p.classRun) return FindRun(p, text, begin, end);
  if (!p.words.empty()) return FindWords(p, text, begin, end);
  if (p.groupStar && (text.empty() || static_cast<unsigned char>(text[0]) < p.groupLo ||
                      static_cast<unsigned char>(text[0]) > p.groupHi)) {
    *begin = 0;
    *end = 0;
    return true;
  }
  // An anchored search finds the match that starts where it starts in one
  // forward pass; an unanchored one needs a second, backward pass to learn where
  // its match begins. Most fields start right where the search starts, or a few
  // blanks later, so the first place near the start that can begin a match is
  // tried anchored. No match can start before it: the expression does not match
  // the empty text and every match begins with a byte of its range. Without
  // "^", the text before a place does not change what matches there. At most
  // one anchored try precedes the unanchored search, so a search stays linear.
  if (p.firstKnown) {
    if (text.empty()) return false;
    const std::size_t start = FirstPossibleStart(p, text);
    if (start != std::string_view::npos && MatchAt(p, text, start, begin, end)) return true;
  } else if (MatchAt(p, text, 0, begin, end)) {
    return true;
  }
  return FindUnanchored(p, text, begin, end);
}

}  // namespace pelk
