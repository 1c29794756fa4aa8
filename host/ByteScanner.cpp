#include "host/ByteScanner.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cctype>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "host/PosixToRe2.h"

namespace pelk {
namespace {

using Bytes = std::bitset<256>;
struct Node;
using Sequence = std::vector<Node>;

struct Node {
  enum Kind { kBytes, kLiteral, kCaret, kGroup } kind = kBytes;
  Bytes set;                           // kBytes: the bytes one repetition takes
  std::string literal;                 // kLiteral: bytes taken once each, in order
  std::vector<Sequence> alternatives;  // kGroup
  unsigned min = 1;
  unsigned max = 1;  // kUnbounded for "*", "+" and "{m,}"
  // Filled once the whole expression is read.
  Bytes first;  // the bytes a non-empty match can begin with
  bool nullable = false;
  bool bodyNullable = false;            // kGroup: one repetition may match the empty text
  std::vector<Bytes> alternativeFirst;  // kGroup: "first" of each alternative
  std::vector<bool> alternativeNullable;
  // kBytes: whether the run may have to stop before its last byte, where what
  // follows it may begin.
  bool mayStopEarly = false;
  Bytes follow;  // the bytes that can come right after this node's match
  // kBytes: `set` as a table, which the runs read byte by byte.
  std::array<bool, 256> member{};
};

constexpr unsigned kUnbounded = ~0u;
constexpr unsigned kMaxCount = 64;
constexpr int kMaxDepth = 16;
constexpr unsigned kMaxUnrolled = 4;
// Steps of one search before it gives up; also bounds its recursion.
constexpr int kBudget = 384;

unsigned char At(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

// Reads the expression into nodes; refuses, rather than guesses, whatever it
// does not know.
class Parser {
 public:
  explicit Parser(std::string_view ere) : ere_(ere) {}

  bool Parse(Sequence* top) {
    Node group;
    group.kind = Node::kGroup;
    if (!Alternatives(&group.alternatives) || pos_ != ere_.size()) return false;
    if (group.alternatives.size() == 1) {
      *top = std::move(group.alternatives.front());
    } else {
      top->push_back(std::move(group));
    }
    return true;
  }

 private:
  bool Alternatives(std::vector<Sequence>* alternatives) {
    for (;;) {
      alternatives->emplace_back();
      if (!Items(&alternatives->back()) || alternatives->back().empty()) return false;
      if (pos_ == ere_.size() || ere_[pos_] != '|') return true;
      ++pos_;
    }
  }

  bool Items(Sequence* items) {
    while (pos_ < ere_.size() && ere_[pos_] != '|' && ere_[pos_] != ')') {
      Node node;
      if (!Atom(&node) || !Repeat(&node)) return false;
      if (Unrollable(node)) {
        // "(x\.){3}" reads as "x\.x\.x\.", without the repetitions' bookkeeping.
        for (unsigned i = 0; i < node.min; ++i) {
          for (const Node& inner : node.alternatives.front()) {
            if (!MergeLiteral(items, inner)) items->push_back(inner);
          }
        }
      } else if (!MergeLiteral(items, node)) {
        items->push_back(std::move(node));
      }
    }
    return true;
  }

  static bool Unrollable(const Node& node) {
    return node.kind == Node::kGroup && node.min == node.max && node.max <= kMaxUnrolled &&
           node.alternatives.size() == 1;
  }

  // Single bytes in a row become one literal: "Reference" is one node, not nine.
  static bool MergeLiteral(Sequence* items, const Node& node) {
    if (node.kind == Node::kLiteral) {
      if (items->empty() || items->back().kind != Node::kLiteral) return false;
      items->back().literal += node.literal;
      return true;
    }
    if (node.kind != Node::kBytes || node.min != 1 || node.max != 1 || node.set.count() != 1) {
      return false;
    }
    char byte = 0;
    for (int c = 0; c < 256; ++c) {
      if (node.set.test(static_cast<std::size_t>(c))) byte = static_cast<char>(c);
    }
    if (!items->empty() && items->back().kind == Node::kLiteral) {
      items->back().literal += byte;
    } else {
      Node literal;
      literal.kind = Node::kLiteral;
      literal.literal.assign(1, byte);
      items->push_back(std::move(literal));
    }
    return true;
  }

  bool Atom(Node* node) {
    const char c = ere_[pos_++];
    switch (c) {
      case '(':
        node->kind = Node::kGroup;
        if (++depth_ > kMaxDepth || !Alternatives(&node->alternatives)) return false;
        if (pos_ == ere_.size() || ere_[pos_] != ')') return false;
        ++pos_;
        --depth_;
        return true;
      case '[':
        return ReadBracket(ere_, pos_ - 1, &node->set, &pos_);
      case '.':
        node->set.set();
        return true;
      case '^':
        node->kind = Node::kCaret;
        return true;
      case '\\':
        if (pos_ == ere_.size() || std::isalnum(At(ere_, pos_)) ||
            std::strchr("<>`'", ere_[pos_]) != nullptr) {
          return false;
        }
        node->set.set(At(ere_, pos_++));
        return true;
      case '$':
      case '*':
      case '+':
      case '?':
      case '{':
        return false;
      default:
        node->set.set(static_cast<unsigned char>(c));
        return true;
    }
  }

  bool Repeat(Node* node) {
    if (pos_ == ere_.size()) return true;
    switch (ere_[pos_]) {
      case '*':
        node->min = 0;
        node->max = kUnbounded;
        ++pos_;
        break;
      case '+':
        node->max = kUnbounded;
        ++pos_;
        break;
      case '?':
        node->min = 0;
        ++pos_;
        break;
      case '{':
        if (!Bounds(&node->min, &node->max)) return false;
        break;
      default:
        return true;
    }
    // Anchors are not repeated, and stacked repeats are left to RE2.
    return node->kind != Node::kCaret &&
           (pos_ == ere_.size() || std::strchr("*+?{", ere_[pos_]) == nullptr);
  }

  // "{m}", "{m,}" or "{m,n}" with m <= n, 0 < n.
  bool Bounds(unsigned* min, unsigned* max) {
    ++pos_;
    if (!Count(min)) return false;
    *max = *min;
    if (pos_ < ere_.size() && ere_[pos_] == ',') {
      ++pos_;
      if (pos_ < ere_.size() && ere_[pos_] == '}') {
        *max = kUnbounded;
      } else if (!Count(max)) {
        return false;
      }
    }
    if (pos_ == ere_.size() || ere_[pos_] != '}') return false;
    ++pos_;
    return *max > 0 && *min <= *max;
  }

  bool Count(unsigned* value) {
    const std::size_t start = pos_;
    *value = 0;
    while (pos_ < ere_.size() && std::isdigit(At(ere_, pos_)) && pos_ - start < 3) {
      *value = *value * 10 + static_cast<unsigned>(ere_[pos_++] - '0');
    }
    return pos_ > start && *value <= kMaxCount;
  }

  std::string_view ere_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

// "first" and "nullable", from the leaves up.
void FirstSets(Sequence& items, Bytes* first, bool* nullable) {
  first->reset();
  *nullable = true;
  for (Node& node : items) {
    if (node.kind == Node::kBytes) {
      node.first = node.set;
      node.nullable = node.min == 0;
    } else if (node.kind == Node::kLiteral) {
      node.first.reset();
      node.first.set(static_cast<unsigned char>(node.literal[0]));
      node.nullable = false;
    } else if (node.kind == Node::kCaret) {
      node.first.reset();
      node.nullable = true;
    } else {
      node.first.reset();
      node.bodyNullable = false;
      node.alternativeFirst.clear();
      node.alternativeNullable.clear();
      for (Sequence& alternative : node.alternatives) {
        Bytes f;
        bool n = false;
        FirstSets(alternative, &f, &n);
        node.alternativeFirst.push_back(f);
        node.alternativeNullable.push_back(n);
        node.first |= f;
        node.bodyNullable = node.bodyNullable || n;
      }
      node.nullable = node.bodyNullable || node.min == 0;
    }
    if (*nullable) *first |= node.first;
    *nullable = *nullable && node.nullable;
  }
}

// "follow", from the top down: `after` is what may come after the sequence.
void FollowSets(Sequence& items, const Bytes& after) {
  Bytes next = after;
  for (std::size_t i = items.size(); i-- > 0;) {
    Node& node = items[i];
    node.follow = next;
    node.mayStopEarly =
        node.kind == Node::kBytes && node.min < node.max && (node.set & node.follow).any();
    for (std::size_t c = 0; c < node.member.size(); ++c) node.member[c] = node.set.test(c);
    if (node.kind == Node::kGroup) {
      Bytes inner = node.follow;
      if (node.max > 1) inner |= node.first;
      for (Sequence& alternative : node.alternatives) FollowSets(alternative, inner);
    }
    next = node.nullable ? (node.first | next) : node.first;
  }
}

// "^" only where nothing can have been read before it, and no group that
// repeats while matching nothing (it would loop without reading a byte).
bool Readable(const Sequence& items, bool atStart) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Node& node = items[i];
    if (node.kind == Node::kCaret && !(atStart && i == 0)) return false;
    if (node.kind != Node::kGroup) continue;
    if (node.max > 1 && node.bodyNullable) return false;
    for (const Sequence& alternative : node.alternatives) {
      if (!Readable(alternative, atStart && i == 0 && node.max == 1)) return false;
    }
  }
  return true;
}

// What remains to be matched: the rest of a sequence from `index`, or, when
// `group` is set, the decision after one more repetition of it (the count-th,
// begun at `start`); then `next`.
struct Frame {
  const Sequence* items;
  std::size_t index;
  const Node* group;
  unsigned count;
  std::size_t start;
  const Frame* next;
};

// The longest match by trying every way the expression can be read, except
// those that the next byte rules out: a run of bytes is cut short, or a group
// left, only where what follows may begin with the byte there; anywhere else
// what follows could only match the empty text, and the longer reading wins.
class Search {
 public:
  explicit Search(std::string_view text) : text_(text) {}

  bool exhausted() const { return budget_ < 0; }

  // The end of the longest match of `k` from `pos`, or -1. What can be read
  // only one way is read in a loop; only groups and runs that may stop early
  // recurse.
  long Run(const Frame* k, std::size_t pos) {
    for (;;) {
      if (!k) return static_cast<long>(pos);
      if (--budget_ < 0) return -1;
      if (k->group) {
        if (pos == k->start) {  // repeating an empty match adds nothing
          k = k->next;
          continue;
        }
        return Group(*k->group, k->count, k->next, pos);
      }
      const Sequence& items = *k->items;
      std::size_t i = k->index;
      for (; i < items.size() && !Branches(items[i]); ++i) {
        if (!Straight(items[i], &pos)) return -1;
      }
      if (i == items.size()) {
        k = k->next;
        continue;
      }
      const Frame rest{&items, i + 1, nullptr, 0, 0, k->next};
      const Frame* after = i + 1 < items.size() ? &rest : k->next;
      if (items[i].kind == Node::kBytes) return RunOfBytes(items[i], after, pos);
      return Group(items[i], 0, after, pos);
    }
  }

 private:
  static bool Branches(const Node& node) {
    return node.kind == Node::kGroup || (node.kind == Node::kBytes && node.mayStopEarly);
  }

  // Reads a node that has one reading; false when it does not match.
  bool Straight(const Node& node, std::size_t* pos) const {
    switch (node.kind) {
      case Node::kCaret:
        return *pos == 0;
      case Node::kLiteral:
        if (text_.size() - *pos < node.literal.size() ||
            std::memcmp(text_.data() + *pos, node.literal.data(), node.literal.size()) != 0) {
          return false;
        }
        *pos += node.literal.size();
        return true;
      default:
        break;
    }
    const std::size_t n = Take(node, *pos);
    if (n < node.min) return false;
    *pos += n;
    return true;
  }

  // How many bytes of the node's set follow text_[pos], up to its maximum.
  std::size_t Take(const Node& node, std::size_t pos) const {
    const std::size_t room = text_.size() - pos;
    const std::size_t limit = node.max == kUnbounded ? room : std::min<std::size_t>(node.max, room);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text_.data()) + pos;
    std::size_t n = 0;
    while (n < limit && node.member[bytes[n]]) ++n;
    return n;
  }

  long RunOfBytes(const Node& node, const Frame* after, std::size_t pos) {
    const std::size_t n = Take(node, pos);
    if (n < node.min) return -1;
    long best = Run(after, pos + n);
    for (std::size_t q = pos + node.min; q < pos + n && !exhausted(); ++q) {
      if (node.follow[At(text_, q)]) best = std::max(best, Run(after, q));
    }
    return best;
  }

  long Group(const Node& group, unsigned count, const Frame* after, std::size_t pos) {
    long best = -1;
    const bool atEnd = pos == text_.size();
    if (count < group.max && (group.bodyNullable || (!atEnd && group.first[At(text_, pos)]))) {
      const Frame repeat{nullptr, 0, &group, count + 1, pos, after};
      for (std::size_t a = 0; a < group.alternatives.size(); ++a) {
        if (!group.alternativeNullable[a] &&
            (atEnd || !group.alternativeFirst[a][At(text_, pos)])) {
          continue;
        }
        const Frame inside{&group.alternatives[a], 0, nullptr, 0, 0, &repeat};
        best = std::max(best, Run(&inside, pos));
      }
      // Leaving instead could only end the match here.
      if (best >= 0 && (atEnd || !group.follow[At(text_, pos)])) return best;
    }
    if (count >= group.min) best = std::max(best, Run(after, pos));
    return best;
  }

  std::string_view text_;
  int budget_ = kBudget;
};

}  // namespace

struct ByteScanner::Expression {
  Sequence top;
};

ByteScanner::ByteScanner(std::unique_ptr<const Expression> expression)
    : expression_(std::move(expression)) {}

ByteScanner::~ByteScanner() = default;

std::unique_ptr<const ByteScanner> ByteScanner::Build(std::string_view ere) {
  try {
    auto e = std::make_unique<Expression>();
    if (!Parser(ere).Parse(&e->top)) return nullptr;
    Bytes first;
    bool nullable = false;
    FirstSets(e->top, &first, &nullable);
    FollowSets(e->top, Bytes());
    if (!Readable(e->top, true)) return nullptr;
    return std::unique_ptr<const ByteScanner>(new ByteScanner(std::move(e)));
  } catch (const std::exception&) {
    return nullptr;
  }
}

ByteScanner::Outcome ByteScanner::Longest(std::string_view text, std::size_t* length) const {
  Search search(text);
  const Frame whole{&expression_->top, 0, nullptr, 0, 0, nullptr};
  const long end = search.Run(&whole, 0);
  if (search.exhausted()) return kUndecided;
  if (end < 0) return kNoMatch;
  *length = static_cast<std::size_t>(end);
  return kMatch;
}

}  // namespace pelk
