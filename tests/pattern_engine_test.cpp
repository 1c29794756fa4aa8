#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PelkPattern.h"

namespace {

std::string Field(const CPelkPattern& p, const std::string& path) {
  std::string out;
  p.FindField(path, out);
  return out;
}

// Builds children the way the agent does: temporaries copied into a vector
// allocated with new, handed to the parent.
void Adopt(CPelkPattern& parent, std::initializer_list<CPelkPattern> kids) {
  auto* children = new std::vector<CPelkPattern>;
  for (const CPelkPattern& k : kids) children->push_back(k);
  parent.SetSubPattern(children);
}

CPelkPattern LabelTable() {
  CPelkPattern label("labelEntry", true,
                     "[[:space:]]+(In|Out) +[0-9]+[[:space:]]+on +(tun +)*[^\n ]+"
                     "( *nbr[[:space:]]+([0-9]{1,3}\\.){3}[0-9]{1,3})*");
  Adopt(label, {CPelkPattern("inOut", false, "(In|Out)"),
                CPelkPattern("labelNo", false, "[0-9]+"),
                CPelkPattern("filler1", false, "[[:space:]]+on[[:space:]]+(tun +)*"),
                CPelkPattern("interface", false, "[^[:space:]]+"),
                CPelkPattern("filler2", false, "( +nbr[[:space:]]+)*"),
                CPelkPattern("nexthop", false, "[0-9\\./]*")});
  CPelkPattern dest("destEntry", true,
                    " +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*([[:space:]]+(In|Out) +[0-9]+"
                    "[[:space:]]+on +(tun +)*[^\n ]+"
                    "( *nbr[[:space:]]+([0-9]{1,3}\\.){3}[0-9]{1,3})*)+");
  Adopt(dest, {CPelkPattern("destination", false, "([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*"),
               label});
  CPelkPattern root(
      "lsp", true,
      "(^|\n)[^[:space:]]+ +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})* +(In|Out)[[:space:]]+[0-9]+"
      "[[:space:]]+on +[^\n]*(\n[[:space:]]*(([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2}[[:space:]])*"
      "[^\n]*|In[[:space:]]+[0-9]+[[:space:]]+on +[^\n]+|Out[[:space:]]+[0-9]+[[:space:]]+on +"
      "[^\n]+))*");
  Adopt(root, {CPelkPattern("filler3", false, "(^\n)?"),
               CPelkPattern("lspname", false, "(^|\n)[^[:space:]]+"), dest});
  return root;
}

const char kLabelReply[] =
    "to-pe2  10.2.2.2/32  In 17 on ATM2/0.1\n"
    "                     Out 20 on ATM3/0.2 nbr 10.1.1.2\n"
    "to-pe3  10.3.3.3/32  Out 21 on ATM3/0.2 nbr 10.1.1.2\n"
    "        10.4.4.4/32  Out 22 on tun ATM3/0.3 nbr 10.1.1.6\n";

TEST(PatternTree, CutsLabelTableIntoNestedRecords) {
  CPelkPattern root = LabelTable();
  ASSERT_TRUE(root.IsValid());
  ASSERT_TRUE(root.Match(kLabelReply));

  ASSERT_EQ(root.NumberMatches("lsp"), 2);
  EXPECT_EQ(Field(root, "lsp[0]"),
            "to-pe2  10.2.2.2/32  In 17 on ATM2/0.1\n"
            "                     Out 20 on ATM3/0.2 nbr 10.1.1.2");
  EXPECT_EQ(Field(root, "lsp[1].filler3[0]"), "\n");
  EXPECT_EQ(Field(root, "lsp[0].lspname[0]"), "to-pe2");
  EXPECT_EQ(Field(root, "lsp[1].lspname[0]"), "to-pe3");

  // Repeating children inside a repeating parent count per parent instance.
  EXPECT_EQ(root.NumberMatches("lsp[0].destEntry"), 1);
  EXPECT_EQ(root.NumberMatches("lsp[1].destEntry"), 2);
  EXPECT_EQ(root.NumberMatches("lsp[0].destEntry[0].labelEntry"), 2);
  EXPECT_EQ(root.NumberMatches("lsp[1].destEntry[0].labelEntry"), 1);
  EXPECT_EQ(root.NumberMatches("lsp[1].destEntry[1].labelEntry"), 1);

  EXPECT_EQ(Field(root, "lsp[1].destEntry[1].destination[0]"), "10.4.4.4/32");
  const std::string in = "lsp[0].destEntry[0].labelEntry[0].";
  EXPECT_EQ(Field(root, in + "inOut[0]"), "In");
  EXPECT_EQ(Field(root, in + "labelNo[0]"), "17");
  EXPECT_EQ(Field(root, in + "interface[0]"), "ATM2/0.1");
  EXPECT_EQ(Field(root, in + "nexthop[0]"), "");
  EXPECT_EQ(root.NumberMatches(in + "nexthop"), 1);  // found, empty
  const std::string out = "lsp[0].destEntry[0].labelEntry[1].";
  EXPECT_EQ(Field(root, out + "inOut[0]"), "Out");
  EXPECT_EQ(Field(root, out + "filler2[0]"), " nbr ");
  EXPECT_EQ(Field(root, out + "nexthop[0]"), "10.1.1.2");
  const std::string tun = "lsp[1].destEntry[1].labelEntry[0].";
  EXPECT_EQ(Field(root, tun + "filler1[0]"), " on tun ");
  EXPECT_EQ(Field(root, tun + "interface[0]"), "ATM3/0.3");
  EXPECT_EQ(Field(root, tun + "nexthop[0]"), "10.1.1.6");
}

TEST(PatternTree, LongRepliesKeepEveryRecord) {
  std::string reply;
  for (int i = 0; i < 3000; ++i) reply += kLabelReply;
  CPelkPattern root = LabelTable();
  ASSERT_TRUE(root.Match(reply.c_str()));
  ASSERT_EQ(root.NumberMatches("lsp"), 6000);
  const CPelkPattern copy(root);
  EXPECT_EQ(Field(copy, "lsp[5999].destEntry[1].labelEntry[0].nexthop[0]"), "10.1.1.6");
  EXPECT_EQ(Field(copy, "lsp[5998].destEntry[0].labelEntry[1].labelNo[0]"), "20");
  EXPECT_EQ(copy.NumberMatches("lsp[4321].destEntry"), 2);
}

TEST(PatternTree, SiblingsSearchOnFromThePreviousMatch) {
  CPelkPattern root("entry", true, "(^|\n)Interface +[^ ]+ +(Up|Down)[ ]*[^\n]*");
  Adopt(root, {CPelkPattern("keyword", false, "[^ ]+"), CPelkPattern("ifName", false, "[^ ]+"),
               CPelkPattern("state", false, "Up|Down"),
               CPelkPattern("octet", true, "[0-9]+")});
  ASSERT_TRUE(root.Match("Interface ATM2/0.1  Up   10.1.1.1\nInterface fe0  Down\n"));
  ASSERT_EQ(root.NumberMatches("entry"), 2);
  EXPECT_EQ(Field(root, "entry[0]"), "Interface ATM2/0.1  Up   10.1.1.1");
  EXPECT_EQ(Field(root, "entry[1]"), "\nInterface fe0  Down");
  // The same expression finds the next word once the first is consumed.
  EXPECT_EQ(Field(root, "entry[0].keyword[0]"), "Interface");
  EXPECT_EQ(Field(root, "entry[0].ifName[0]"), "ATM2/0.1");
  EXPECT_EQ(Field(root, "entry[1].keyword[0]"), "\nInterface");  // [^ ] takes the newline
  EXPECT_EQ(Field(root, "entry[0].state[0]"), "Up");
  EXPECT_EQ(Field(root, "entry[1].state[0]"), "Down");
  // The digits of "ATM2/0.1" lie before "Up", so they are not octets.
  ASSERT_EQ(root.NumberMatches("entry[0].octet"), 4);
  EXPECT_EQ(Field(root, "entry[0].octet[0]"), "10");
  EXPECT_EQ(Field(root, "entry[0].octet[3]"), "1");
  EXPECT_EQ(root.NumberMatches("entry[1].octet"), 0);
}

TEST(PatternTree, AMissingChildEndsTheFieldsOfItsRecord) {
  CPelkPattern root("entry", true, "(^|\n)Indirect[^\n]*(\n +[^\n]*)*");
  Adopt(root, {CPelkPattern("nexthop", false, "([0-9]{1,3}\\.){3}[0-9]{1,3}"),
               CPelkPattern("filler", false, "stacked label +"),
               CPelkPattern("label", false, "[0-9]+")});
  ASSERT_TRUE(root.Match("Indirect next-hop 2.2.2.2\n  MPLS stacked label 16\n"
                         "Indirect next-hop 3.3.3.3\n  MPLS indirect next-hop index 17\n"));
  EXPECT_EQ(Field(root, "entry[0].label[0]"), "16");
  EXPECT_EQ(Field(root, "entry[1].nexthop[0]"), "3.3.3.3");
  // Without "stacked label" the 17 further on is not taken for a label.
  EXPECT_EQ(root.NumberMatches("entry[1].label"), 0);
  EXPECT_EQ(Field(root, "entry[1].label[0]"), "");
}

TEST(PatternTree, RepeatingChildEndsWhereTheNextSiblingStarts) {
  CPelkPattern root("r", false, ".*");
  Adopt(root, {CPelkPattern("num", true, "[0-9]+"), CPelkPattern("tail", false, "[a-z]+")});
  ASSERT_TRUE(root.Match("ab 1 2 cd 3 ef"));
  EXPECT_EQ(root.NumberMatches("r[0].num"), 3);
  EXPECT_EQ(Field(root, "r[0].tail[0]"), "ef");
}

TEST(PatternTree, PiecesMatchInOrderWithTextBetween) {
  const std::vector<std::string> pieces = {"(^|\n)Indirect", "\n +MPLS", "\n +Reachable",
                                           "\n +Direct", "\n +Reference"};
  CPelkPattern root("hop", true, pieces);
  Adopt(root, {CPelkPattern("indirect", false, "[^\n\r]+"),
               CPelkPattern("filler1", false,
                            "[[:space:]]+MPLS[[:space:]]+stacked[[:space:]]+label[[:space:]]+"),
               CPelkPattern("label", false, "[^\n\r]+"),
               CPelkPattern("filler2", false, "[[:space:]]+Direct[[:space:]]+next-hop[[:space:]]+"),
               CPelkPattern("nextHop", false, "[^\n\r]+")});
  ASSERT_TRUE(root.IsValid());
  const char* reply =
      "Indirect next hop 10.9.9.9\n"
      "    MPLS stacked label 30\n"
      "    Reachable\n"
      "    Direct next-hop 10.1.1.2\n"
      "    Reference count 2\n"
      "Indirect next hop 10.8.8.8\n"
      "    MPLS stacked label 31\n"
      "    Reachable\n"
      "    Direct next-hop 10.1.1.6\n"
      "    Reference count 1\n"
      "Indirect next hop 10.7.7.7\n"
      "    MPLS stacked label 32\n"
      "    Reachable\n"
      "    Direct next-hop 10.1.1.9\n";
  ASSERT_TRUE(root.Match(reply));
  // The third record has no "Reference"; no later one can, so it is not counted.
  ASSERT_EQ(root.NumberMatches("hop"), 2);
  EXPECT_EQ(Field(root, "hop[0]"),
            "Indirect next hop 10.9.9.9\n    MPLS stacked label 30\n    Reachable\n"
            "    Direct next-hop 10.1.1.2\n    Reference");
  EXPECT_EQ(Field(root, "hop[1].indirect[0]"), "Indirect next hop 10.8.8.8");
  EXPECT_EQ(Field(root, "hop[1].label[0]"), "31");
  EXPECT_EQ(Field(root, "hop[1].nextHop[0]"), "10.1.1.6");
}

TEST(PatternTree, AnchoredLaterPieceFailsOnlyThatAttempt) {
  CPelkPattern root("p", true, std::vector<std::string>{"x", "^y"});
  ASSERT_TRUE(root.Match("xz xy xy"));
  ASSERT_EQ(root.NumberMatches("p"), 2);
  EXPECT_EQ(Field(root, "p[0]"), "xy");
}

TEST(PatternMatchSemantics, CaretMatchesAtEachSearchStartOnly) {
  CPelkPattern root("r", true, "^ab");
  ASSERT_TRUE(root.Match("abab\nab"));
  EXPECT_EQ(root.NumberMatches("r"), 2);  // not after the newline

  CPelkPattern parent("p", false, "k=.*");
  Adopt(parent, {CPelkPattern("key", false, "k="), CPelkPattern("value", false, "^[0-9]+")});
  ASSERT_TRUE(parent.Match("x k=42"));
  EXPECT_EQ(Field(parent, "p[0].value[0]"), "42");
}

TEST(PatternMatchSemantics, DotAndNegatedBracketMatchNewline) {
  CPelkPattern dot("d", false, "a.b");
  ASSERT_TRUE(dot.Match("a\nb"));
  EXPECT_EQ(Field(dot, "d[0]"), "a\nb");
  CPelkPattern neg("n", false, "a[^x]+b");
  ASSERT_TRUE(neg.Match("a\r\n\nb"));
  EXPECT_EQ(Field(neg, "n[0]"), "a\r\n\nb");
}

TEST(PatternMatchSemantics, LeftmostLongest) {
  for (const char* ere : {"(a|ab)(c|bcd)", "(ab|a)(bcd|c)"}) {
    CPelkPattern alt("a", false, ere);
    ASSERT_TRUE(alt.Match("abcd"));
    EXPECT_EQ(Field(alt, "a[0]"), "abcd") << ere;  // first-alternative-wins gives "abc"
  }
  // Leftmost wins over longer: an empty match at the start.
  CPelkPattern star("s", false, "x*");
  ASSERT_TRUE(star.Match("abxx"));
  EXPECT_EQ(star.NumberMatches("s"), 1);
  EXPECT_EQ(Field(star, "s[0]"), "");
}

TEST(PatternMatchSemantics, EmptyInstancesAdvance) {
  CPelkPattern root("r", true, "a*");
  ASSERT_TRUE(root.Match("aab"));
  ASSERT_EQ(root.NumberMatches("r"), 3);  // "aa", "" before "b", "" at the end
  EXPECT_EQ(Field(root, "r[0]"), "aa");
}

TEST(PatternMatchSemantics, BracketsReadTheirBackslashLiterally) {
  CPelkPattern hop("h", true, "[0-9\\./]+");
  ASSERT_TRUE(hop.Match("10.1.1.2/30 a\\b"));
  ASSERT_EQ(hop.NumberMatches("h"), 2);
  EXPECT_EQ(Field(hop, "h[0]"), "10.1.1.2/30");
  EXPECT_EQ(Field(hop, "h[1]"), "\\");
  CPelkPattern bracket("b", false, "[]a]+");
  ASSERT_TRUE(bracket.Match("x]a]y"));
  EXPECT_EQ(Field(bracket, "b[0]"), "]a]");
}

TEST(PatternFieldLookup, MissingFieldsReadEmptyAndCountZero) {
  CPelkPattern root("entry", true, "[a-z]+");
  Adopt(root, {CPelkPattern("first", false, "[a-z]"), CPelkPattern("first", false, "z")});
  ASSERT_TRUE(root.Match("ab cd"));
  EXPECT_EQ(Field(root, "entry[1].first[0]"), "c");  // the first sibling of that name
  for (const char* path :
       {"entry[2]", "entry[0].nosuch[0]", "other[0]", "entry[0", "entry[x]", "entry[0].", "",
        "entry[-1]", "entry", "entry[0].first", "entry[0]first[0]", ".entry[0]",
        "entry[99999999999999999999999]", "entry[0].first[1]"}) {
    EXPECT_EQ(Field(root, path), "") << path;
  }
  for (const char* path :
       {"entry[0]", "entry[5].first", "nosuch", "entry[0].nosuch", "", "entry."}) {
    EXPECT_EQ(root.NumberMatches(path), 0) << path;
  }
  std::string out = "kept:";
  root.FindField("entry[0]", out);
  EXPECT_EQ(out, "kept:ab");  // appends
}

TEST(PatternFieldLookup, NonMatchingReplyLeavesNothingBehind) {
  CPelkPattern root("entry", true, "[0-9]+");
  ASSERT_TRUE(root.Match("12"));
  EXPECT_FALSE(root.Match("no digits"));
  EXPECT_EQ(root.NumberMatches("entry"), 0);
  EXPECT_EQ(Field(root, "entry[0]"), "");
  EXPECT_FALSE(root.Match(nullptr));
}

TEST(PatternFieldLookup, ResultsOutliveTheReplyBuffer) {
  CPelkPattern root("w", true, "[a-z]+");
  {
    std::string reply = "alpha beta";
    ASSERT_TRUE(root.Match(reply.c_str()));
  }
  EXPECT_EQ(Field(root, "w[1]"), "beta");
}

TEST(PatternValidity, AnyBadExpressionInTheTreeInvalidatesTheRoot) {
  CPelkPattern leaf("leaf", false, "([0-9]");
  CPelkPattern mid("mid", true, "[a-z]+");
  Adopt(mid, {CPelkPattern("ok", false, "a"), leaf});
  CPelkPattern root("root", true, ".+");
  Adopt(root, {mid});
  EXPECT_FALSE(root.IsValid());
  EXPECT_FALSE(root.Match("abc"));

  Adopt(root, {CPelkPattern("fine", false, "b")});  // replaces the subtree
  EXPECT_TRUE(root.IsValid());

  EXPECT_FALSE(CPelkPattern("p", false, std::vector<std::string>{"a", "(b"}).IsValid());
  EXPECT_FALSE(CPelkPattern("p", false, std::vector<std::string>{}).IsValid());
  EXPECT_FALSE(CPelkPattern("p", false, static_cast<const char*>(nullptr)).IsValid());
}

TEST(PatternValueSemantics, CopiesCarryTheSubtreeAndAreIndependent) {
  CPelkPattern copy("x", false, "x");
  {
    CPelkPattern original = LabelTable();
    copy = original;
    ASSERT_TRUE(original.Match(kLabelReply));
  }  // the original and its subtree are gone
  ASSERT_TRUE(copy.IsValid());
  EXPECT_EQ(copy.NumberMatches("lsp"), 0);  // the original's Match did not reach it
  ASSERT_TRUE(copy.Match(kLabelReply));
  EXPECT_EQ(copy.NumberMatches("lsp[1].destEntry"), 2);

  CPelkPattern matched(copy);  // results travel with the copy
  ASSERT_FALSE(copy.Match("nothing"));
  EXPECT_EQ(Field(matched, "lsp[1].destEntry[1].labelEntry[0].labelNo[0]"), "22");
  EXPECT_EQ(Field(copy, "lsp[0]"), "");

  CPelkPattern& alias = matched;
  matched = alias;
  EXPECT_EQ(Field(matched, "lsp[0].destEntry[0].labelEntry[1].labelNo[0]"), "20");
}

}  // namespace
