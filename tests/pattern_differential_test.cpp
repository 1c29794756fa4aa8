// The translated RE2 expressions against glibc's POSIX matcher (C locale,
// REG_EXTENDED, no REG_NEWLINE) on seeded random texts: every search of a
// repeated scan must give the same match start and end.
#include <gtest/gtest.h>
#include <regex.h>

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <string>

#include "PosixToRe2.h"

namespace {

class GlibcRegex {
 public:
  explicit GlibcRegex(const std::string& ere)
      : ok_(regcomp(&re_, ere.c_str(), REG_EXTENDED) == 0) {}
  ~GlibcRegex() {
    if (ok_) regfree(&re_);
  }
  GlibcRegex(const GlibcRegex&) = delete;
  GlibcRegex& operator=(const GlibcRegex&) = delete;

  bool ok() const { return ok_; }
  bool Find(const char* text, std::size_t* begin, std::size_t* end) const {
    regmatch_t m[1];
    if (regexec(&re_, text, 1, m, 0) != 0) return false;
    *begin = static_cast<std::size_t>(m[0].rm_so);
    *end = static_cast<std::size_t>(m[0].rm_eo);
    return true;
  }

 private:
  regex_t re_;
  bool ok_;
};

// Same sequence with any standard library, unlike the <random> distributions.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::size_t Below(std::size_t n) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>(state_ >> 33) % n;
  }
  bool OneIn(std::size_t n) { return Below(n) == 0; }
  const char* Pick(std::initializer_list<const char*> options) {
    return options.begin()[Below(options.size())];
  }

 private:
  std::uint64_t state_;
};

struct Tally {
  long texts = 0;
  long searches = 0;
  long found = 0;
  long nonEmpty = 0;
};

// Scans `text` the way a repeating pattern does: each search sees the rest of
// the text as a string of its own. Describes the first disagreement.
std::string Disagreement(const pelk::PosixRegex& mine, const GlibcRegex& oracle,
                         const std::string& text, Tally& tally) {
  ++tally.texts;
  for (std::size_t pos = 0; pos <= text.size();) {
    std::size_t b1 = 0, e1 = 0, b2 = 0, e2 = 0;
    const bool f1 = mine.Find(std::string_view(text).substr(pos), &b1, &e1);
    const bool f2 = oracle.Find(text.c_str() + pos, &b2, &e2);
    ++tally.searches;
    if (f1 != f2 || (f1 && (b1 != b2 || e1 != e2))) {
      char buf[128];
      std::snprintf(buf, sizeof buf, "from %zu: re2 %d [%zu,%zu) glibc %d [%zu,%zu)", pos, f1, b1,
                    e1, f2, b2, e2);
      return buf;
    }
    if (!f1) break;
    ++tally.found;
    if (e1 > b1) ++tally.nonEmpty;
    pos += e1 > b1 ? e1 : e1 + 1;
  }
  return "";
}

class PatternDifferential : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { std::setlocale(LC_ALL, "C"); }
};

// ---- realistic replies, with their usual damage -----------------------------

std::string Num(Rng& r, std::size_t below) { return std::to_string(r.Below(below)); }

std::string Ip(Rng& r) {
  if (r.OneIn(4)) return "10.1.1.2";
  std::string s = Num(r, 256);
  for (int i = r.OneIn(15) ? 2 : 3; i > 0; --i) s += "." + Num(r, r.OneIn(20) ? 9999 : 256);
  return s;
}

std::string Blanks(Rng& r, std::size_t min, std::size_t max) {
  std::string s(min + r.Below(max - min + 1), ' ');
  if (!s.empty() && r.OneIn(8)) s[r.Below(s.size())] = '\t';
  return s;
}

std::string Eol(Rng& r) { return r.OneIn(6) ? r.Pick({"\r\n", "\r", "\n\n"}) : "\n"; }
std::string Iface(Rng& r) { return r.Pick({"ATM2/0.", "fastEthernet3/", "lo"}) + Num(r, 40); }
std::string Mask(Rng& r) { return "/" + Num(r, r.OneIn(10) ? 400 : 33); }

std::string LabelLine(Rng& r) {
  return r.Pick({"In", "Out", "in"}) + Blanks(r, 1, 2) + Num(r, 2000) + Blanks(r, 1, 2) + "on " +
         (r.OneIn(4) ? "tun " : "") + Iface(r) + (r.OneIn(2) ? " nbr " + Ip(r) : "");
}

std::string Record(Rng& r) {
  std::string s;
  switch (r.Below(6)) {
    case 0:
      s = r.Pick({"to-pe2", "lsp_7"}) + Blanks(r, 1, 3) + Ip(r) + (r.OneIn(4) ? "" : Mask(r)) +
          Blanks(r, 1, 3) + LabelLine(r) + Eol(r);
      for (std::size_t n = r.Below(4); n > 0; --n) {
        s += Blanks(r, 0, 21) + (r.OneIn(2) ? Ip(r) + Mask(r) + "  " : "") + LabelLine(r) + Eol(r);
      }
      return s;
    case 1:
      s = "Interface" + Blanks(r, 0, 2) + Iface(r) + Blanks(r, 1, 3) + r.Pick({"Up", "Down", "x"}) +
          Blanks(r, 0, 3) + Ip(r) + (r.OneIn(2) ? Mask(r) : "") + Blanks(r, 0, 2) + Eol(r);
      if (r.OneIn(3)) s += "IP interfaces on this MPLS interface:" + Eol(r) + "  " + Ip(r) + Eol(r);
      return s;
    case 2:
      s = Ip(r) + Mask(r) + Blanks(r, 1, 6) + r.Pick({"Static", "Bgp", "1"}) + Blanks(r, 1, 4) +
          Ip(r) + (r.OneIn(4) ? "*" : "") + Blanks(r, 1, 4) + Num(r, 200) + "/" + Num(r, 9) +
          Blanks(r, 1, 3) + Iface(r);
      if (r.OneIn(2)) {  // a wrapped second line, mostly in the expected columns
        s += Eol(r) + std::string(r.OneIn(5) ? 19 + r.Below(3) : 20, ' ') +
             std::string(r.OneIn(5) ? 29 + r.Below(3) : 30, 'x') + Blanks(r, 4, 8) + Iface(r);
      }
      return s + Eol(r);
    case 3:
      s = "Indirect next hop " + Ip(r);
      if (!r.OneIn(5)) s += Eol(r) + Blanks(r, 0, 4) + "MPLS stacked label " + Num(r, 99);
      if (!r.OneIn(5)) s += Eol(r) + Blanks(r, 1, 4) + "Reachable";
      if (!r.OneIn(5)) s += Eol(r) + Blanks(r, 1, 4) + "Direct next-hop " + Ip(r);
      if (!r.OneIn(5)) s += Eol(r) + Blanks(r, 1, 4) + "Reference count 1";
      return s + Eol(r);
    case 4:
      s = "NHop:" + Blanks(r, 0, 2) + Ip(r) + Blanks(r, 1, 2) + "IfIndx:" + Blanks(r, 1, 2) +
          Num(r, 99) + Blanks(r, 1, 2) + "Intf:" + Blanks(r, 0, 2) + Iface(r);
      return s + (r.OneIn(2) ? Eol(r) + r.Pick({"more", " indented"}) : "") + Eol(r);
    default:
      return "";
  }
}

std::string Noise(Rng& r, std::size_t max) {
  static const char kChars[] = "ab0123456789. /\n\r\t\\:-InOut";
  std::string s(r.Below(max + 1), ' ');
  for (char& c : s) c = kChars[r.Below(sizeof kChars - 1)];
  return s;
}

std::string Reply(Rng& r) {
  std::string s;
  for (std::size_t n = 1 + r.Below(5); n > 0; --n) s += r.OneIn(6) ? Noise(r, 30) : Record(r);
  for (std::size_t n = r.OneIn(3) ? 1 + r.Below(3) : 0; n > 0 && !s.empty(); --n) {
    const std::size_t at = r.Below(s.size());
    if (r.OneIn(2)) {
      s.erase(at, 1 + r.Below(4));
    } else {
      s.insert(at, Noise(r, 3));
    }
  }
  return s;
}

const char* const kAgentExpressions[] = {
    "(^|\n)Interface +",
    "[^ ]+",
    " +(Up|Down)[ ]*",
    "([0-9]{1,3}\\.){3}[0-9]{1,3}",
    "(/[0-9]{1,2})? *\n",
    "IP interfaces on this MPLS interface:[[:space:]]+",
    "(^|\n)[^[:space:]]+ +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})* +(In|Out)[[:space:]]+[0-9]+"
    "[[:space:]]+on +[^\n]*(\n[[:space:]]*(([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2}[[:space:]])*"
    "[^\n]*|In[[:space:]]+[0-9]+[[:space:]]+on +[^\n]+|Out[[:space:]]+[0-9]+[[:space:]]+on +"
    "[^\n]+))*",
    "(^\n)?",
    "(^|\n)[^[:space:]]+",
    " +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*([[:space:]]+(In|Out) +[0-9]+[[:space:]]+on +"
    "(tun +)*[^\n ]+( *nbr[[:space:]]+([0-9]{1,3}\\.){3}[0-9]{1,3})*)+",
    "([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*",
    "[[:space:]]+(In|Out) +[0-9]+[[:space:]]+on +(tun +)*[^\n ]+( *nbr[[:space:]]+"
    "([0-9]{1,3}\\.){3}[0-9]{1,3})*",
    "(In|Out)",
    "[0-9]+",
    "[[:space:]]+on[[:space:]]+(tun +)*",
    "[^[:space:]]+",
    "( +nbr[[:space:]]+)*",
    "[0-9\\./]*",
    "(^|\n)([0-9]{1,3}\\.){3}[0-9]{1,3}/[0-9]{1,2}[[:space:]]+[[:alpha:]]+[[:space:]]+"
    "([0-9]{1,3}\\.){3}[0-9]{1,3}[^[:space:]]*[[:space:]]+[0-9]+/[0-9]+[[:space:]]+[^\n\r]+"
    "([\n\r]+ {20}.{30} {5,}[^\n\r]+)?",
    "([\n\r]+ {20}.{30} {5,})?",
    "([^\n\r]+)?",
    "[[:alpha:]]+",
    "[0-9]+/[0-9]+",
    "(^|\n)Indirect",
    "\n +MPLS",
    "\n +Reachable",
    "\n +Direct",
    "\n +Reference",
    "[[:space:]]+MPLS[[:space:]]+stacked[[:space:]]+label[[:space:]]+",
    "[[:space:]]+Direct[[:space:]]+next-hop[[:space:]]+",
    "[^\n\r]+",
    ".+",
    "[[:space:]]+NHop:[[:space:]]+",
    "10.1.1.2",
    "[[:space:]]+IfIndx:[[:space:]]+",
    "[[:space:]]+Intf:[[:space:]]+",
    "[^\n]+(\n[^[:space:]]+)?",
};

TEST_F(PatternDifferential, AgentExpressionsAgreeWithGlibcOnRealisticReplies) {
  Tally total;
  for (const char* ere : kAgentExpressions) {
    SCOPED_TRACE(ere);
    const pelk::PosixRegex mine(ere);
    const GlibcRegex oracle(ere);
    ASSERT_TRUE(mine.ok()) << mine.error();
    ASSERT_TRUE(oracle.ok());
    Rng rng(20240611);
    Tally tally;
    for (int i = 0; i < 3000; ++i) {
      const std::string text = Reply(rng);
      ASSERT_EQ(Disagreement(mine, oracle, text, tally), "") << "text: \"" << text << "\"";
    }
    EXPECT_GT(tally.nonEmpty, 100) << "the replies hardly exercise this expression";
    total.texts += tally.texts;
    total.searches += tally.searches;
    total.nonEmpty += tally.nonEmpty;
  }
  std::printf("[ counts   ] %zu expressions, %ld texts, %ld searches, %ld non-empty matches\n",
              std::size(kAgentExpressions), total.texts, total.searches, total.nonEmpty);
}

// ---- generated expressions --------------------------------------------------

// Anchors only go where no newline of the match can sit next to them; see
// GlibcLetsAnchorsMeetNewlinesInsideAMatch.
std::string GeneratedEre(Rng& r, int depth, bool atStart, bool* hasAnchor) {
  std::string s;
  for (std::size_t branch = r.OneIn(4) ? 1 + r.Below(2) : 0;; --branch) {
    for (std::size_t n = 0, items = 1 + r.Below(4); n < items; ++n) {
      if (atStart && n == 0 && r.OneIn(5)) {
        s += "^";
        *hasAnchor = true;
      }
      bool anchored = false;
      switch (r.Below(depth < 2 ? 5 : 4)) {
        case 0: s += r.Pick({"a", "b", " ", "\n", "/", "\\.", "\\\\", "]", "}", "1"}); break;
        case 1: s += r.Pick({"ab", "a\\.b", "\n ", "b/1", "."}); break;
        case 2:
        case 3:
          s += r.Pick({"[ab]", "[^a]", "[^ \n]", "[a-c]", "[[:space:]]", "[[:alpha:]]",
                       "[[:digit:]]", "[^[:space:]]", "[0-9\\./]", "[]a]", "[^]a]", "[a-]",
                       "[\\\\n]", "[[.].]b]", "[--/]", "[[=a=]]"});
          break;
        default: s += "(" + GeneratedEre(r, depth + 1, atStart && n == 0, &anchored) + ")"; break;
      }
      // Sometimes stacked. A repeated anchor could follow a newline, so anchored
      // groups only get "?".
      for (int q = 0; q < 2 && r.OneIn(q == 0 ? 2 : 8); ++q) {
        if (anchored) {
          s += "?";
          break;
        }
        const std::string lo = std::to_string(r.Below(3));
        const std::string hi = std::to_string(2 + r.Below(3));
        switch (r.Below(7)) {
          case 0: s += "?"; break;
          case 1: s += "*"; break;
          case 2: s += "+"; break;
          case 3: s += "{" + lo + "}"; break;
          case 4: s += "{" + lo + ",}"; break;
          case 5: s += "{" + lo + "," + hi + "}"; break;
          default: s += "{," + hi + "}"; break;
        }
      }
      *hasAnchor = *hasAnchor || anchored;
    }
    if (depth == 0 && r.OneIn(6)) s += "$";
    if (branch == 0) break;
    s += "|";
  }
  return s;
}

TEST_F(PatternDifferential, GeneratedExpressionsAgreeWithGlibc) {
  constexpr int kExpressions = 600;
  Rng rng(7);
  Tally total;
  for (int i = 0; i < kExpressions; ++i) {
    bool anchored = false;
    const std::string ere = GeneratedEre(rng, 0, true, &anchored);
    SCOPED_TRACE("expression: \"" + ere + "\"");
    const pelk::PosixRegex mine(ere);
    const GlibcRegex oracle(ere);
    ASSERT_TRUE(oracle.ok());
    ASSERT_TRUE(mine.ok()) << mine.error();
    for (int t = 0; t < 200; ++t) {
      std::string text(rng.Below(18), ' ');
      for (char& c : text) c = "ab /\n.1\\]x"[rng.Below(10)];
      ASSERT_EQ(Disagreement(mine, oracle, text, total), "") << "text: \"" << text << "\"";
    }
  }
  EXPECT_GT(total.nonEmpty, total.texts / 2);
  std::printf("[ counts   ] %d expressions, %ld texts, %ld searches, %ld non-empty matches\n",
              kExpressions, total.texts, total.searches, total.nonEmpty);
}

// Without REG_NEWLINE a newline is an ordinary character, and so it is here;
// glibc still lets an anchor meet a newline that the expression itself matches.
TEST_F(PatternDifferential, GlibcLetsAnchorsMeetNewlinesInsideAMatch) {
  for (const char* ere : {"a.^b", "a$\nb", "a\n(^|x)b"}) {
    std::size_t b = 0, e = 0;
    EXPECT_TRUE(GlibcRegex(ere).Find("a\nb", &b, &e)) << ere;
    EXPECT_FALSE(pelk::PosixRegex(ere).Find("a\nb", &b, &e)) << ere;
  }
}

TEST_F(PatternDifferential, RejectsWhatGlibcRejects) {
  for (const char* bad : {"(a", "[ab", "a{1", "a{x}", "a{2,1}", "*a", "a|+b", "(?a)", "^*", "a\\",
                          "[z-a]", "[[:word:]]", "[a-c-e]", "[[.ab.]]", "[[:alpha:]-z]", "{1}a"}) {
    EXPECT_FALSE(GlibcRegex(bad).ok()) << bad;
    EXPECT_FALSE(pelk::PosixRegex(bad).ok()) << bad;
  }
}

// GNU extensions, literals glibc guesses at, and counts RE2 cannot repeat.
TEST_F(PatternDifferential, RefusesWhatOnlyGlibcAccepts) {
  for (const char* ext : {"(a)\\1", "a)", "\\w+", "\\<a", "a{1001}", "\\n"}) {
    EXPECT_TRUE(GlibcRegex(ext).ok()) << ext;
    EXPECT_FALSE(pelk::PosixRegex(ext).ok()) << ext;
  }
}

}  // namespace
