// The expression translator and the pattern engine on random expressions and
// texts.
//
// Input: EXPRESSION \0 TEXT [\0 CHILD]... An expression holding \x01 bytes is
// a pieces pattern cut there; a child starting with \x01 repeats.
//
// Where the byte scanner reads the expression, its anchored match on every
// suffix of the text must be RE2's.
//
// Where glibc compiles the expression too, every match on the start of the
// text (up to its first NUL), searched for again and again as a repeating
// pattern is, must agree with regexec. The expression then becomes the root of
// a pattern tree with the children below it, and every field the match names
// must be text of the input.
#include <re2/re2.h>
#include <regex.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/support/FuzzInput.h"
#include "host/ByteScanner.h"
#include "host/PelkPattern.h"
#include "host/PosixRegex.h"
#include "host/PosixToRe2.h"

namespace {

// glibc's matcher grows with expression and text; beyond these it is the
// reference that is slow, not the engine.
const std::size_t kComparedExpression = 256;
const std::size_t kComparedText = 64;
const std::size_t kMaxChildren = 4;
const int kComparedStackedRepeats = 3;

// Repetition operators applied one after another ("a+++", "a{2}{2}{2}"): glibc
// copies the operand's tree for each of them and takes exponential time.
int StackedRepeats(const std::string& ere) {
  int most = 0;
  int run = 0;
  for (std::size_t i = 0; i < ere.size(); ++i) {
    const std::size_t close = ere[i] == '{' ? ere.find('}', i) : std::string::npos;
    if (ere[i] == '*' || ere[i] == '+' || ere[i] == '?') {
      ++run;
    } else if (close != std::string::npos && ere.find_first_not_of("0123456789,", i + 1) == close) {
      ++run;
      i = close;
    } else {
      run = 0;
    }
    most = std::max(most, run);
  }
  return most;
}

void CompareWithGlibc(const std::string& ere, const pelk::PosixRegex& mine,
                      const std::string& text) {
  if (!mine.ok() || ere.size() > kComparedExpression ||
      StackedRepeats(ere) > kComparedStackedRepeats) {
    return;
  }
  regex_t re;
  if (regcomp(&re, ere.c_str(), REG_EXTENDED) != 0) return;
  const std::unique_ptr<regex_t, void (*)(regex_t*)> freed(&re, regfree);
  const std::string shortText = text.substr(0, std::min(text.find('\0'), kComparedText));
  // glibc lets an anchor match beside a newline of the match ("$[^ ]+" finds
  // "\n"), where POSIX has it match only at the ends of the text.
  if (ere.find_first_of("^$") != std::string::npos && shortText.find('\n') != std::string::npos) {
    return;
  }
  for (std::size_t pos = 0, b = 0, e = 0; pos <= shortText.size(); pos += e > b ? e : e + 1) {
    regmatch_t m[1] = {{-1, -1}};
    const bool found = mine.Find(std::string_view(shortText).substr(pos), &b, &e);
    const bool glibcFound = regexec(&re, shortText.c_str() + pos, 1, m, 0) == 0;
    if (found != glibcFound ||
        (found && (b != std::size_t(m[0].rm_so) || e != std::size_t(m[0].rm_eo)))) {
      std::fprintf(stderr, "from %zu: engine %d %zu-%zu, glibc %d %d-%d\n", pos, found, b, e,
                   glibcFound, int(m[0].rm_so), int(m[0].rm_eo));
      FuzzCheck(false, "the engine and glibc disagree");
    }
    if (!found) break;
  }
}

void CompareScannerWithRe2(const std::string& ere, const pelk::Re2Translation& translation,
                           const std::string& text) {
  const auto scanner = pelk::ByteScanner::Build(ere);
  if (!scanner || !translation.ok) return;
  RE2::Options o;
  o.set_posix_syntax(true);
  o.set_longest_match(true);
  o.set_one_line(true);
  o.set_dot_nl(true);
  o.set_encoding(RE2::Options::EncodingLatin1);
  o.set_log_errors(false);
  const RE2 re(translation.pattern, o);
  if (!re.ok()) return;
  const std::string shortText = text.substr(0, kComparedText);
  for (std::size_t from = 0; from <= shortText.size(); ++from) {
    const re2::StringPiece rest(shortText.data() + from, shortText.size() - from);
    re2::StringPiece match;
    const bool found = re.Match(rest, 0, rest.size(), RE2::ANCHOR_START, &match, 1);
    std::size_t length = 0;
    const bool scanned = scanner->Longest(std::string_view(rest.data(), rest.size()), &length);
    const bool same = scanned == found && (!found || length == match.size());
    if (!same) {
      std::fprintf(stderr, "from %zu: scanner %d %zu, RE2 %d %zu\n", from, int(scanned), length,
                   found, match.size());
    }
    FuzzCheck(same, "the byte scanner and RE2 disagree");
  }
}

std::vector<std::string> Pieces(const std::string& expression) {
  std::vector<std::string> pieces(1);
  for (char c : expression) {
    if (c == '\x01') {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  return pieces;
}

void CheckFieldsAreInText(const CPelkPattern& root, const std::vector<std::string>& childNames,
                          const std::string& text) {
  const int roots = std::min(root.NumberMatches("root"), 16);
  for (int i = 0; i < roots; ++i) {
    const std::string path = "root[" + std::to_string(i) + "]";
    std::string field;
    root.FindField(path, field);
    FuzzCheck(text.find(field) != std::string::npos, "a root instance is not text of the input");
    for (const std::string& child : childNames) {
      std::string childPath = path;
      childPath.append(".").append(child);
      const int n = std::min(root.NumberMatches(childPath), 16);
      for (int k = 0; k < n; ++k) {
        std::string value;
        std::string instance = childPath;
        instance.append("[").append(std::to_string(k)).append("]");
        root.FindField(instance, value);
        FuzzCheck(field.find(value) != std::string::npos,
                  "a child instance is not text of its parent");
      }
    }
  }
}

void MatchTree(const std::vector<std::string>& parts) {
  const std::string& expression = parts[0];
  const std::string& text = parts[1];
  const std::vector<std::string> pieces = Pieces(expression);
  CPelkPattern root = pieces.size() > 1 ? CPelkPattern("root", true, pieces)
                                        : CPelkPattern("root", true, expression.c_str());
  auto* children = new std::vector<CPelkPattern>;
  std::vector<std::string> childNames;
  for (std::size_t i = 2; i < parts.size(); ++i) {
    const bool repeating = !parts[i].empty() && parts[i][0] == '\x01';
    childNames.push_back("c" + std::to_string(i));
    children->push_back(
        CPelkPattern(childNames.back().c_str(), repeating, parts[i].c_str() + (repeating ? 1 : 0)));
  }
  root.SetSubPattern(children);
  if (!root.IsValid()) return;
  const std::string searched = text.substr(0, text.find('\0'));  // Match reads a C string
  if (root.Match(text.c_str())) CheckFieldsAreInText(root, childNames, searched);
  CPelkPattern copy = root;  // copies carry the results
  FuzzCheck(copy.NumberMatches("root") == root.NumberMatches("root"),
            "a copy counts other matches");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> parts = SplitInput(data, size, 2 + kMaxChildren);
  if (parts.size() < 2) parts.emplace_back();
  const std::string& expression = parts[0];
  const std::string& text = parts[1];

  const pelk::Re2Translation translation = pelk::TranslatePosixEre(expression);
  const pelk::PosixRegex mine(expression);
  FuzzCheck(!mine.ok() || translation.ok, "compiled what the translator rejected");
  std::size_t b = 0, e = 0;
  if (mine.ok() && mine.Find(text, &b, &e)) {
    FuzzCheck(b <= e && e <= text.size(), "a match outside the text");
  }
  CompareWithGlibc(expression, mine, text);
  CompareScannerWithRe2(expression, translation, text);
  MatchTree(parts);
  return 0;
}
