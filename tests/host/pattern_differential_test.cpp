// The translated expressions against glibc's POSIX matcher (the C locale, which no test
// changes; REG_EXTENDED without REG_NEWLINE) on seeded random texts.
#include <gtest/gtest.h>
#include <regex.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/PosixRegex.h"

namespace {

// Engines, unlike the <random> distributions, give the same sequence everywhere.
struct Rng : std::minstd_rand {
  explicit Rng(unsigned seed) : std::minstd_rand(seed) {}
  std::size_t Below(std::size_t n) { return (*this)() % n; }
  const char* Pick(std::initializer_list<const char*> o) { return o.begin()[Below(o.size())]; }
};

bool GlibcCompiles(const char* ere) {
  regex_t re;
  const bool ok = regcomp(&re, ere, REG_EXTENDED) == 0;
  if (ok) regfree(&re);
  return ok;
}

// Scans each text the way a repeating pattern does, each search seeing the rest as a string
// of its own; returns the non-empty matches, or -1 if it does not compile or they disagree.
long Compare(const std::string& ere, const std::vector<std::string>& texts) {
  const pelk::PosixRegex mine(ere);
  regex_t re;
  if (!mine.ok() || regcomp(&re, ere.c_str(), REG_EXTENDED) != 0) return -1;
  const std::unique_ptr<regex_t, void (*)(regex_t*)> freed(&re, regfree);
  long nonEmpty = 0;
  for (const std::string& text : texts) {
    for (std::size_t pos = 0, b = 0, e = 0; pos <= text.size(); pos += e > b ? e : e + 1) {
      regmatch_t m[1] = {{-1, -1}};
      const bool found = mine.Find(std::string_view(text).substr(pos), &b, &e);
      if (regexec(&re, text.c_str() + pos, 1, m, 0) != 0
              ? found
              : !found || b != std::size_t(m[0].rm_so) || e != std::size_t(m[0].rm_eo)) {
        ADD_FAILURE() << ere << " on \"" << text << "\" from " << pos << ": re2 " << found << " "
                      << b << "-" << e << ", glibc " << m[0].rm_so << "-" << m[0].rm_eo;
        return -1;
      }
      if (!found) break;
      nonEmpty += e > b;
    }
  }
  return nonEmpty;
}

// A reply the agent reads; Reply() takes a random stretch of it and damages that.
const std::string kSample =
    "to-pe2  10.2.2.2/32  In 17 on ATM2/0.1\n                     Out 20 on tun ATM3/0.2 nbr "
    "10.1.1.2\r\nlsp_7 10.4.4.4 Out 1999 on lo3 nbr 10.1.1.2\n   10.4.4.4/32 in 22 on lo1\n"
    "Interface ATM2/0.1  Up   10.1.1.1/30 \nIP interfaces on this MPLS interface:\n  10.1.1.1\n"
    "10.9.9.0/24  Static  10.1.1.2*  1/0  fastEthernet3/1\n                    "
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxx      lo0\n\nIndirect next hop 10.9.9.9\n    MPLS stacked "
    "label 30\n    Reachable\n indented\n";

std::string Reply(Rng& r) {
  const std::size_t from = r.Below(kSample.size());
  std::string s = kSample.substr(from, 40 + r.Below(kSample.size()));
  for (std::size_t n = r.Below(4); n > 0 && !s.empty(); --n) {  // cut out or put in a little
    const std::size_t at = r.Below(s.size());
    if (r.Below(2))
      s.erase(at, 1 + r.Below(4));
    else
      s.insert(at, r.Pick({"1", "99", ".", " ", "\n", "\t", "\r", "a\\"}));
  }
  return s;
}

// The agent's longest expressions, and those of a shape the others lack.
const char* const kAgentExpressions[] = {
    // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): the longest, written over four lines
    "(^|\n)[^[:space:]]+ +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})* +(In|Out)[[:space:]]+[0-9]+"
    "[[:space:]]+on +[^\n]*(\n[[:space:]]*(([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2}[[:space:]])*"
    "[^\n]*|In[[:space:]]+[0-9]+[[:space:]]+on +[^\n]+|Out[[:space:]]+[0-9]+[[:space:]]+on +"
    "[^\n]+))*",
    " +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*([[:space:]]+(In|Out) +[0-9]+[[:space:]]+on +"
    "(tun +)*[^\n ]+( *nbr[[:space:]]+([0-9]{1,3}\\.){3}[0-9]{1,3})*)+",
    "(^|\n)([0-9]{1,3}\\.){3}[0-9]{1,3}/[0-9]{1,2}[[:space:]]+[[:alpha:]]+[[:space:]]+"
    "([0-9]{1,3}\\.){3}[0-9]{1,3}[^[:space:]]*[[:space:]]+[0-9]+/[0-9]+[[:space:]]+[^\n\r]+"
    "([\n\r]+ {20}.{30} {5,}[^\n\r]+)?",
    "(^\n)?", "(/[0-9]{1,2})? *\n", "[^\n]+(\n[^[:space:]]+)?", "([\n\r]+ {20}.{30} {5,})?",
    // Field runs, which the engine scans without RE2.
    "[0-9]+", "[^[:space:]]+", "[0-9\\./]*", "[^\n\r]+", "[[:space:]]+", "[]a[:digit:]-]*",
    // Plain words, and a repeated group that only a blank or a letter can begin: RE2 is
    // called only when the group can start where the search does.
    "(In|Out)", "n|I|In|Interface", "( +nbr[[:space:]]+)*", "(on|tun +)*"};

std::string GeneratedEre(Rng& r, int depth = 0, bool atStart = true);

// One item of a branch: a character, a short run, a bracket or a group.
std::string GeneratedItem(Rng& r, int depth, bool first) {
  switch (r.Below(depth < 2 ? 5 : 4)) {
    case 0:
      return r.Pick({"a", "b", " ", "\n", "/", "\\.", "\\\\", "]", "}", "1"});
    case 1:
      return r.Pick({"ab", "a\\.b", "\n ", "b/1", ".", "[ab]", "[^a]", "[^ \n]"});
    case 4:
      return "(" + GeneratedEre(r, depth + 1, first) + ")";
    default:
      return r.Pick({"[[:space:]]", "[[:alpha:]]", "[[:digit:]]", "[^[:space:]]", "[0-9\\./]",
                     "[]a]", "[^]a]", "[a-]", "[\\\\n]", "[[.].]b]", "[--/]", "[[=a=]]"});
  }
}

// Up to two quantifiers for the item that starts at `start`; an item with an
// anchor inside gets at most "?".
void Quantify(Rng& r, std::string& s, std::size_t start) {
  const bool anchored = s.find("(^", start) != s.npos || s.find("|^", start) != s.npos;
  for (int q = 0; q < (anchored ? 1 : 2) && r.Below(q == 0 ? 2 : 8) == 0; ++q)
    s += anchored ? "?" : r.Pick({"?", "*", "+", "{0}", "{2}", "{1,}", "{0,2}", "{,3}"});
}

// Anchors go only where no newline of the match can sit next to them, as glibc would let
// them match there ("a.^b" finds "a\nb"): first in a branch, in groups at most optional.
std::string GeneratedEre(Rng& r, int depth, bool atStart) {
  std::string s;
  for (std::size_t branch = r.Below(4) == 0 ? 1 + r.Below(2) : 0;; --branch, s += "|") {
    for (std::size_t n = 0, items = 1 + r.Below(4); n < items; ++n) {
      if (atStart && n == 0 && r.Below(5) == 0) s += "^";
      const std::size_t start = s.size();
      s += GeneratedItem(r, depth, atStart && n == 0);
      Quantify(r, s, start);
    }
    if (depth == 0 && r.Below(6) == 0) s += "$";
    if (branch == 0) return s;
  }
}

TEST(PatternDifferential, AgentAndGeneratedExpressionsAgreeWithGlibc) {
  Rng rng(20240611);
  std::vector<std::string> replies(3000), texts(400);
  for (std::string& reply : replies) reply = Reply(rng);
  for (std::string& text : texts)
    for (std::size_t n = rng.Below(18); n > 0; --n) text += "ab /\n.1\\]x"[rng.Below(10)];
  for (const char* ere : kAgentExpressions)
    EXPECT_GT(Compare(ere, replies), 100) << ere << ": -1 if it fails, else barely exercised";
  long nonEmpty = 0;
  for (int i = 0; i < 600; ++i) {
    const std::string ere = GeneratedEre(rng);
    const long n = Compare(ere, texts);
    ASSERT_GE(n, 0) << ere;
    nonEmpty += n;
  }
  EXPECT_GT(nonEmpty, 600 * 400 / 2);
}

TEST(PatternDifferential, RejectsWhatGlibcRejectsAndWhatOnlyGlibcAccepts) {
  for (const char* bad : {"(a", "[ab", "a{1", "a{x}", "a{2,1}", "*a", "a|+b", "(?a)", "^*", "a\\",
                          "[z-a]", "[[:word:]]", "[a-c-e]", "[[.ab.]]", "[[:alpha:]-z]", "{1}a"})
    EXPECT_FALSE(GlibcCompiles(bad) || pelk::PosixRegex(bad).ok()) << bad;
  // GNU extensions, literals glibc guesses at and counts RE2 cannot repeat.
  for (const char* ext : {"(a)\\1", "a)", "\\w+", "\\<a", "a{1001}", "\\n"})
    EXPECT_TRUE(GlibcCompiles(ext) && !pelk::PosixRegex(ext).ok()) << ext;
}

}  // namespace
