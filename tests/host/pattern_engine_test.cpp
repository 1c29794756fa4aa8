#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/PelkPattern.h"

namespace {

std::string Field(const CPelkPattern& p, const std::string& path) {
  std::string out;
  p.FindField(path, out);
  return out;
}

// Children are handed over the way the agent does: in a vector allocated with new.
void Adopt(CPelkPattern& parent, std::initializer_list<CPelkPattern> kids) {
  parent.SetSubPattern(new std::vector<CPelkPattern>(kids));
}

// Label switched paths: a name, then destinations each with one or more labels.
CPelkPattern Lsps() {
  CPelkPattern dest("dest", true, " [0-9./]+( (In|Out) [0-9]+)+");
  Adopt(dest, {CPelkPattern("prefix", false, "[0-9./]+"), CPelkPattern("label", true, "[0-9]+")});
  CPelkPattern root("lsp", true, "(^|\n)[a-z0-9-]+( [0-9./]+( (In|Out) [0-9]+)+)+");
  Adopt(root, {CPelkPattern("filler", false, "(^\n)?"),
               CPelkPattern("name", false, "(^|\n)[^[:space:]]+"), dest});
  return root;
}

const char kLsps[] =
    "to-pe2 10.2.2.2/32 In 17 Out 20\nto-pe3 10.3.3.3/32 Out 21 10.4.4.4/32 Out 22\n";

// A caller that holds a large reply anyway lets the results refer to it
// (MatchInPlace): they read as Match's own copy does, and so do their copies.
TEST(PatternTree, CutsALongReplyIntoNestedRepeatingRecords) {
  std::string reply;
  for (int i = 0; i < 3000; ++i) reply += kLsps;
  CPelkPattern copied = Lsps(), inPlace = Lsps();
  ASSERT_TRUE(copied.Match(reply.c_str()));
  ASSERT_TRUE(inPlace.MatchInPlace(reply));
  CPelkPattern copyOfInPlace = inPlace;
  for (const CPelkPattern* root : {&copied, &inPlace, &copyOfInPlace}) {
    ASSERT_EQ(root->NumberMatches("lsp"), 6000);
    EXPECT_EQ(Field(*root, "lsp[0]"), "to-pe2 10.2.2.2/32 In 17 Out 20");
    EXPECT_EQ(Field(*root, "lsp[5999].name[0]"),
              "to-pe3");  // "^" where the sibling's search starts
    // Repeating children inside a repeating parent count per parent instance.
    EXPECT_EQ(root->NumberMatches("lsp[5999].dest"), 2);
    EXPECT_EQ(root->NumberMatches("lsp[0].dest[0].label"), 2);
    EXPECT_EQ(Field(*root, "lsp[0].dest[0].label[1]"), "20");
    EXPECT_EQ(Field(*root, "lsp[999].dest[1].prefix[0]"), "10.4.4.4/32");
  }
  EXPECT_FALSE(inPlace.MatchInPlace(""));
  EXPECT_EQ(inPlace.NumberMatches("lsp"), 0);
}

// Parsers read record after record, field after field; a lookup that jumps to
// another record, another depth or a missing index reads what a fresh one would.
TEST(PatternTree, LookupsInAnyOrderReadTheirOwnRecord) {
  CPelkPattern root = Lsps();
  ASSERT_TRUE(root.Match(kLsps));
  EXPECT_EQ(Field(root, "lsp[1].dest[1].label[0]"), "22");
  EXPECT_EQ(Field(root, "lsp[1].dest[0].label[0]"), "21");
  EXPECT_EQ(Field(root, "lsp[1].dest[0].prefix[0]"), "10.3.3.3/32");
  EXPECT_EQ(Field(root, "lsp[0].dest[0].prefix[0]"), "10.2.2.2/32");
  EXPECT_EQ(root.NumberMatches("lsp[0].dest[0].label"), 2);
  EXPECT_EQ(Field(root, "lsp[0].dest[0].label[1]"), "20");
  EXPECT_EQ(Field(root, "lsp[0].dest[0].label[2]"), "");
  EXPECT_EQ(Field(root, "lsp[0].dest[0].label[1].x[0]"), "");
  EXPECT_EQ(Field(root, "lsp[0].name[0]"), "to-pe2");
  EXPECT_EQ(root.NumberMatches("lsp"), 2);
  // A record and a field of it, as parsers read them.
  std::string text;
  root.FindField("lsp[1].dest[1]", "prefix[0]", text);
  root.FindField("lsp[1].dest[1]", "label[1]", text);  // none
  root.FindField("lsp[1].dest[0]", "label[0]", text);
  root.FindField("lsp[1]", "dest[0].prefix[0]", text);
  root.FindField("lsp[2]", "name[0]", text);  // none
  EXPECT_EQ(text, "10.4.4.4/322110.3.3.3/32");
  // A new match reads its own results only.
  ASSERT_TRUE(root.Match("to-pe9 10.9.9.9/32 In 99\n"));
  EXPECT_EQ(Field(root, "lsp[0].dest[0].label[0]"), "99");
  EXPECT_EQ(Field(root, "lsp[1].dest[0].label[0]"), "");
}

TEST(PatternTree, SiblingsSearchOnInOrderUntilOneIsMissing) {
  CPelkPattern root("entry", true, "(^|\n)Interface +[^\n]*");
  Adopt(root, {CPelkPattern("keyword", false, "[^ ]+"), CPelkPattern("ifName", false, "[^ ]+"),
               CPelkPattern("state", false, "Up"), CPelkPattern("octet", true, "[0-9]+")});
  ASSERT_TRUE(root.Match("Interface ATM2/0.1  Up   10.1.1.1\nInterface fe0  Down 10.2.2.2\n"));
  EXPECT_EQ(Field(root, "entry[0].ifName[0]"), "ATM2/0.1");
  EXPECT_EQ(Field(root, "entry[1].keyword[0]"), "\nInterface");  // [^ ] takes the newline
  // The digits of "ATM2/0.1" lie before "Up", so they are not octets.
  ASSERT_EQ(root.NumberMatches("entry[0].octet"), 4);
  // Without "Up" the octets further on are not searched for.
  EXPECT_EQ(Field(root, "entry[1].ifName[0]"), "fe0");
  EXPECT_EQ(root.NumberMatches("entry[1].octet"), 0);
}

TEST(PatternTree, PiecesMatchInOrderWithTextBetween) {
  CPelkPattern hop("hop", true, std::vector<std::string>{"(^|\n)Indirect", "\n +Reference"});
  ASSERT_TRUE(hop.Match("Indirect\n label 30\n Reference\nIndirect\n label 31\n"));
  ASSERT_EQ(hop.NumberMatches("hop"), 1);  // no "Reference" follows the second record
  EXPECT_EQ(Field(hop, "hop[0]"), "Indirect\n label 30\n Reference");
  CPelkPattern anchored("p", true, std::vector<std::string>{"x", "^y"});
  ASSERT_TRUE(anchored.Match("xz xy xy"));  // a later piece's "^" fails only that attempt
  ASSERT_EQ(anchored.NumberMatches("p"), 2);
  EXPECT_EQ(Field(anchored, "p[0]"), "xy");
}

TEST(PatternMatchSemantics, CaretDotNegationAndLeftmostLongest) {
  CPelkPattern caret("r", true, "^ab");
  ASSERT_TRUE(caret.Match("abab\nab"));
  EXPECT_EQ(caret.NumberMatches("r"), 2);  // "^" where each search starts, not after "\n"
  CPelkPattern newline("d", false, "a.b[^x]+c");
  ASSERT_TRUE(newline.Match("a\nb\r\n\nc"));
  EXPECT_EQ(Field(newline, "d[0]"), "a\nb\r\n\nc");
  for (const char* ere : {"(a|ab)(c|bcd)", "(ab|a)(bcd|c)"}) {
    CPelkPattern alt("a", false, ere);
    ASSERT_TRUE(alt.Match("abcd"));
    EXPECT_EQ(Field(alt, "a[0]"), "abcd") << ere;  // first-alternative-wins gives "abc"
  }
  // Router text is Latin-1 as often as UTF-8: alternatives that share a byte
  // above 0x7F, and a bracket of one such byte, still match where they stand.
  for (const char* ere : {"\xe9"
                          "a|\xe9"
                          "b|\xe9",
                          "[\xe9]b|[\xe9]a"}) {
    CPelkPattern latin1("l", false, ere);
    ASSERT_TRUE(
        latin1.Match("to-p\xe9"
                     "b2"))
        << ere;
    EXPECT_EQ(Field(latin1, "l[0]"),
              "\xe9"
              "b")
        << ere;
  }
  CPelkPattern empty("e", true, "a*");
  ASSERT_TRUE(empty.Match("baa"));
  ASSERT_EQ(empty.NumberMatches("e"), 3);  // "" before "b" (leftmost beats longer), "aa", ""
  EXPECT_EQ(Field(empty, "e[1]"), "aa");
}

TEST(PatternFieldLookup, MissingFieldsReadEmptyAndCountZero) {
  CPelkPattern root("entry", true, "[a-z]+");
  Adopt(root, {CPelkPattern("first", false, "[a-z]"), CPelkPattern("first", false, "z")});
  ASSERT_TRUE(root.Match("ab cd"));
  EXPECT_EQ(Field(root, "entry[1].first[0]"), "c");  // the first sibling of that name
  for (const char* path : {"entry[2]", "entry[0].nosuch[0]", "other[0]", "entry[0", "entry[x]",
                           "entry[0].", "", "entry[-1]", "entry", "entry[0]first[0]", ".entry[0]",
                           "entry[99999999999999999999999]", "entry[0].first[1]"})
    EXPECT_EQ(Field(root, path), "") << path;
  for (const char* path : {"entry[0]", "entry[5].first", "nosuch", "entry[0].nosuch", "", "entry."})
    EXPECT_EQ(root.NumberMatches(path), 0) << path;
  std::string out = "kept:";
  root.FindField("entry[0]", out);
  EXPECT_EQ(out, "kept:ab");       // appends
  EXPECT_FALSE(root.Match("12"));  // a failed match leaves nothing behind
  EXPECT_EQ(Field(root, "entry[0]"), "");
  EXPECT_FALSE(root.Match(nullptr));
}

TEST(PatternValidity, AnyBadExpressionInTheTreeInvalidatesTheRoot) {
  CPelkPattern mid("mid", true, "[a-z]+"), root("root", true, ".+");
  Adopt(mid, {CPelkPattern("ok", false, "a"), CPelkPattern("leaf", false, "([0-9]")});
  Adopt(root, {mid});
  EXPECT_FALSE(root.IsValid());
  EXPECT_FALSE(root.Match("abc"));
  Adopt(root, {CPelkPattern("fine", false, "b")});  // replaces the subtree
  EXPECT_TRUE(root.IsValid());
  EXPECT_FALSE(CPelkPattern("p", false, std::vector<std::string>{"a", "(b"}).IsValid());
  EXPECT_FALSE(CPelkPattern("p", false, std::vector<std::string>{}).IsValid());
  EXPECT_FALSE(CPelkPattern("p", false, static_cast<const char*>(nullptr)).IsValid());
}

TEST(PatternValueSemantics, CopiesCarryTheSubtreeAndResultsAndAreIndependent) {
  CPelkPattern copy("x", false, "x");
  {
    CPelkPattern original = Lsps();
    copy = original;
    ASSERT_TRUE(original.Match(kLsps));
  }                                                     // the original and its subtree are gone
  EXPECT_EQ(copy.NumberMatches("lsp"), 0);              // the original's Match did not reach it
  ASSERT_TRUE(copy.Match(std::string(kLsps).c_str()));  // the reply dies with the statement
  CPelkPattern matched(copy);
  ASSERT_FALSE(copy.Match("nothing"));
  EXPECT_EQ(Field(matched, "lsp[1].dest[1].label[0]"), "22");
  matched = *&matched;  // assigned to itself
  EXPECT_EQ(Field(matched, "lsp[0].dest[0].label[1]"), "20");
}

}  // namespace

// Trees built again and again from the same expressions share one compiled program; a
// tree keeps its program however many other expressions are compiled after it.
TEST(PatternPrograms, SharedByEqualExpressionsAndKeptByTheirTrees) {
  CPelkPattern first("hop", true, "NHop: [0-9.]+");
  CPelkPattern bad("bad", false, "(unclosed");
  for (int i = 0; i < 2000; ++i) {
    CPelkPattern other("hop", true, ("NHop: " + std::to_string(i)).c_str());
    ASSERT_TRUE(other.IsValid());
  }
  CPelkPattern again("hop", true, "NHop: [0-9.]+");
  for (CPelkPattern* p : {&first, &again}) {
    ASSERT_TRUE(p->Match("NHop: 1.1.1.1\n  NHop: 2.2.2.2"));
    EXPECT_EQ(p->NumberMatches("hop"), 2);
    EXPECT_EQ(Field(*p, "hop[1]"), "NHop: 2.2.2.2");
  }
  EXPECT_FALSE(bad.IsValid());
  EXPECT_FALSE(CPelkPattern("bad", false, "(unclosed").IsValid());
}
