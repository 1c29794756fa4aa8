// The byte scanner against RE2's anchored leftmost-longest match, compiled as
// the pattern engine compiles it, on generated expressions and texts and on the
// agent's expressions over the shipped devices' replies.
#include <gtest/gtest.h>
#include <re2/re2.h>

#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "host/ByteScanner.h"
#include "host/PosixToRe2.h"

namespace {

using pelk::ByteScanner;

struct Rng : std::minstd_rand {
  explicit Rng(unsigned seed) : std::minstd_rand(seed) {}
  std::size_t Below(std::size_t n) { return (*this)() % n; }
  const char* Pick(std::initializer_list<const char*> o) { return o.begin()[Below(o.size())]; }
};

std::unique_ptr<RE2> Reference(const std::string& ere) {
  const pelk::Re2Translation t = pelk::TranslatePosixEre(ere);
  if (!t.ok) return nullptr;
  RE2::Options o;
  o.set_posix_syntax(true);
  o.set_longest_match(true);
  o.set_one_line(true);
  o.set_dot_nl(true);
  o.set_encoding(RE2::Options::EncodingLatin1);
  o.set_log_errors(false);
  auto re = std::make_unique<RE2>(t.pattern, o);
  return re->ok() ? std::move(re) : nullptr;
}

struct Tally {
  long searched = 0;
  long matched = 0;
};

// Every suffix of every text, as the engine hands them to the scanner.
void Compare(const std::string& ere, const std::vector<std::string>& texts, Tally* tally) {
  const auto scanner = ByteScanner::Build(ere);
  const auto re = Reference(ere);
  ASSERT_TRUE(re) << ere;
  if (!scanner) return;
  for (const std::string& text : texts) {
    for (std::size_t from = 0; from <= text.size(); ++from) {
      const re2::StringPiece rest(text.data() + from, text.size() - from);
      re2::StringPiece match;
      const bool found = re->Match(rest, 0, rest.size(), RE2::ANCHOR_START, &match, 1);
      std::size_t length = 0;
      const bool scanned = scanner->Longest(std::string(rest), &length);
      ++tally->searched;
      tally->matched += found;
      ASSERT_EQ(scanned, found) << ere << " on \"" << rest << "\"";
      if (found) {
        ASSERT_EQ(length, match.size()) << ere << " on \"" << rest << "\"";
      }
    }
  }
}

std::string GeneratedEre(Rng& r, int depth = 0, bool atStart = true);

// One item of a branch: a character, a short run, a bracket or a group.
std::string GeneratedItem(Rng& r, int depth, bool first) {
  switch (r.Below(depth < 2 ? 5 : 4)) {
    case 0:
      return r.Pick({"a", "b", " ", "\n", "n", "\\.", "1"});
    case 1:
      return r.Pick({"ab", "nb", " n", "a\\.b", ".", "[ab]", "[^a]", "[^ \n]"});
    case 4:
      return "(" + GeneratedEre(r, depth + 1, first) + ")";
    default:
      return r.Pick({"[[:space:]]", "[[:alpha:]]", "[[:digit:]]", "[^[:space:]]", "[0-9\\./]",
                     "[ab1]", "[^\n]"});
  }
}

// Shapes the scanner must get right: runs that may stop where what follows may
// begin, optional and counted groups, alternatives of which one may be empty,
// a leading anchor.
std::string GeneratedEre(Rng& r, int depth, bool atStart) {
  std::string s;
  for (std::size_t branch = r.Below(4) == 0 ? 1 + r.Below(2) : 0;; --branch, s += "|") {
    for (std::size_t n = 0, items = 1 + r.Below(4); n < items; ++n) {
      const bool first = atStart && n == 0;
      if (first && r.Below(5) == 0) s += "^";
      s += GeneratedItem(r, depth, first);
      if (r.Below(2) == 0) {
        s += r.Pick({"?", "*", "+", "{2}", "{1,3}", "{2,}", "{0,2}"});
      }
    }
    if (branch == 0) return s;
  }
}

std::string GeneratedText(Rng& r) {
  std::string text;
  for (std::size_t n = r.Below(24); n > 0; --n) text += "ab n\n.1\t/x"[r.Below(10)];
  return text;
}

TEST(ByteScanner, AgreesWithRe2OnGeneratedExpressions) {
  Rng rng(20261207);
  std::vector<std::string> texts(60);
  for (std::string& text : texts) text = GeneratedText(rng);
  Tally tally;
  int built = 0;
  for (int i = 0; i < 1500; ++i) {
    const std::string ere = GeneratedEre(rng);
    if (!Reference(ere)) continue;
    built += ByteScanner::Build(ere) != nullptr;
    Compare(ere, texts, &tally);
    if (HasFatalFailure()) return;
  }
  // Not vacuous: most expressions are read, and many searches match.
  EXPECT_GT(built, 1000);
  EXPECT_GT(tally.matched, tally.searched / 10);
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// One in or out label of a forwarding entry, with its interface and next hops.
constexpr const char* kLabelLeg =
    "[[:space:]]+(In|Out) +[0-9]+[[:space:]]+on +(tun +)*[^\n ]+"
    "( *nbr[[:space:]]+([0-9]{1,3}\\.){3}[0-9]{1,3})*";

// A forwarding entry: its prefix, then one leg after another.
constexpr const char* kLabelEntry =
    " +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*([[:space:]]+(In|Out) +[0-9]+[[:space:]]+on +"
    "(tun +)*[^\n ]+( *nbr[[:space:]]+([0-9]{1,3}\\.){3}[0-9]{1,3})*)+";

// A VRF route with its wrapped line: an automaton above 512 states.
constexpr const char* kWrappedRoute =
    "(^|\n)([0-9]{1,3}\\.){3}[0-9]{1,3}/[0-9]{1,2}[[:space:]]+[[:alpha:]]+[[:space:]]+"
    "([0-9]{1,3}\\.){3}[0-9]{1,3}[^[:space:]]*[[:space:]]+[0-9]+/[0-9]+[[:space:]]+[^\n\r]+"
    "([\n\r]+ {20}.{30} {5,}[^\n\r]+)?";

TEST(ByteScanner, AgreesWithRe2OnTheAgentsExpressionsOverRealReplies) {
  // A few lines at a time, so that every record and field start is a suffix.
  std::vector<std::string> texts;
  for (const char* device : {"pe1-erx", "pe2-erx-later-release"}) {
    const std::string log = Slurp(std::string(ERX_SOURCE_DIR) + "/devices/" + device + "/cli.log");
    ASSERT_FALSE(log.empty()) << device;
    for (std::size_t at = 0; at < log.size(); at += 300) texts.push_back(log.substr(at, 400));
  }
  Tally tally;
  for (const char* ere : {kLabelLeg, kLabelEntry, "([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*",
                          "[[:space:]]+on[[:space:]]+(tun +)*", "( +nbr[[:space:]]+)*",
                          "(^|\n)[^[:space:]]+", "(^\n)?", "([\n\r]+ {20}.{30} {5,})?",
                          "[^\n]+(\n[^[:space:]]+)?", "(^|\n)Interface +", "\n +Reference"}) {
    ASSERT_TRUE(ByteScanner::Build(ere)) << ere;
    Compare(ere, texts, &tally);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(tally.matched, 1000);
}

TEST(ByteScanner, LeavesToRe2WhatItDoesNotReadOrWouldGrowTooLarge) {
  for (const char* ere :
       {"a$", "(a*)*", "a^b", "x(^a)", "(^a)+", "a{65}", "a**", "a\\1", "(a", "a|", "()", "[b-a]",
        // automata above 512 states: one that must remember the last 10
        // bytes, and a VRF route with its wrapped line
        "[ab]*a[ab]{9}", kWrappedRoute}) {
    EXPECT_EQ(ByteScanner::Build(ere), nullptr) << ere;
  }
  // Where a backtracking search would try every way of cutting the run
  // between the two groups, the automaton reads each byte once.
  Tally tally;
  Compare("([ab]*a)*([ab]*b)*c", {std::string(2000, 'a') + "bab", std::string(300, 'a') + "bac"},
          &tally);
  EXPECT_GT(tally.matched, 300);
  EXPECT_TRUE(ByteScanner::Build("[ab]*a[ab]{6}"));
}

}  // namespace
