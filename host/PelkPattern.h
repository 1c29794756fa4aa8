// The host's pattern engine: a tree of named POSIX extended regular expressions
// that cuts a CLI reply into records and fields.
//
//   CPelkPattern root("entry", true, "(^|\n)Interface +[^ ]+");
//   std::vector<CPelkPattern>* children = new std::vector<CPelkPattern>;
//   children->push_back(CPelkPattern("ifName", false, "[^ ]+"));
//   root.SetSubPattern(children);               // root owns the vector
//   if (root.IsValid() && root.Match(reply)) {
//     int n = root.NumberMatches("entry");
//     std::string name;
//     root.FindField("entry[0].ifName[0]", name);
//   }
//
// Matching rules:
//  - expressions are case-sensitive POSIX EREs; "." and negated brackets match a
//    newline; "^" matches only where the searched text begins;
//  - a repeating pattern is searched for again and again, each search starting
//    where the previous instance ended; a non-repeating one has at most one;
//  - children are searched inside each instance of their parent, in list order,
//    each search starting where the previous sibling's match ended; each search
//    sees its remaining text as a string of its own, so "^" matches there;
//  - a child that is not found ends its parent instance's search: the siblings
//    after it are not searched and read empty;
//  - a pieces pattern matches where its pieces match one after another, with any
//    text between them, from the start of the first to the end of the last;
//  - a field that was not found reads as "" and counts 0 instances.
#ifndef HOST_PELKPATTERN_H_
#define HOST_PELKPATTERN_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CPelkPattern {
 public:
  CPelkPattern(const char* fieldName, bool repeating, const char* expression);
  CPelkPattern(const char* fieldName, bool repeating, const std::vector<std::string>& pieces);
  CPelkPattern(const CPelkPattern& other);
  CPelkPattern& operator=(const CPelkPattern& other);
  ~CPelkPattern();

  // Takes ownership of `children`, which must have been allocated with new.
  void SetSubPattern(std::vector<CPelkPattern>* children);

  // False if any expression of the tree failed to compile.
  bool IsValid() const;

  // Matches the whole text; true if the root matched at least once.
  bool Match(const char* text);
  // As Match, but the results refer to `text` instead of a copy of it: the
  // caller keeps `text` alive and unchanged while this pattern, or a copy of
  // it, is read. For replies of megabytes that the caller holds anyway.
  bool MatchInPlace(std::string_view text);

  // Path like "entry[0].destEntry"; the last component has no index.
  int NumberMatches(const std::string& fieldPath) const;
  // Path like "entry[0].destEntry[1].labelNo[0]"; appends the matched text to `out`.
  void FindField(const std::string& fieldPath, std::string& out) const;
  // As FindField(record + "." + field, out); reading the fields of the record
  // looked up last needs no path built.
  void FindField(const std::string& record, const char* field, std::string& out) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

#endif  // HOST_PELKPATTERN_H_
