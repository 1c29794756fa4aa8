#include "host/ByteScanner.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <unordered_map>
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
  bool nullable = false;
  bool bodyNullable = false;  // kGroup: one repetition may match the empty text
};

constexpr unsigned kUnbounded = ~0u;
constexpr unsigned kMaxCount = 64;
constexpr int kMaxDepth = 16;
constexpr unsigned kMaxUnrolled = 4;
// Beyond these the expression is left to RE2: the automaton is built whole
// when the expression is first compiled.
constexpr std::size_t kMaxNfaStates = 4096;
constexpr std::size_t kMaxDfaStates = 512;

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

// "nullable", from the leaves up.
bool Nullable(Sequence& items) {
  bool nullable = true;
  for (Node& node : items) {
    if (node.kind == Node::kGroup) {
      node.bodyNullable = false;
      for (Sequence& alternative : node.alternatives) {
        node.bodyNullable = Nullable(alternative) || node.bodyNullable;
      }
      node.nullable = node.bodyNullable || node.min == 0;
    } else {
      node.nullable = node.kind == Node::kCaret || (node.kind == Node::kBytes && node.min == 0);
    }
    nullable = nullable && node.nullable;
  }
  return nullable;
}

// "^" only where nothing can have been read before it, and no group that
// repeats while matching nothing.
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

// The expression as a nondeterministic automaton (one state per byte set read,
// with empty moves between them), built from the end: each part is made in
// front of the state that follows it.
struct NfaState {
  enum Kind { kRead, kSplit, kCaret, kAccept } kind;
  Bytes set;      // kRead
  int out = -1;   // kRead, kSplit, kCaret
  int out1 = -1;  // kSplit
};

class NfaBuilder {
 public:
  // The start state of `items` followed by `next`, or -1 when too large.
  int Items(const Sequence& items, int next) {
    for (std::size_t i = items.size(); i-- > 0 && next >= 0;) next = Item(items[i], next);
    return next;
  }

  int Add(NfaState state) {
    if (states_.size() >= kMaxNfaStates) return -1;
    states_.push_back(state);
    return static_cast<int>(states_.size() - 1);
  }

  std::vector<NfaState> Take() { return std::move(states_); }

 private:
  int Item(const Node& node, int next) {
    switch (node.kind) {
      case Node::kCaret:
        return Add({NfaState::kCaret, {}, next});
      case Node::kLiteral:
        for (std::size_t i = node.literal.size(); i-- > 0 && next >= 0;) {
          Bytes byte;
          byte.set(static_cast<unsigned char>(node.literal[i]));
          next = Add({NfaState::kRead, byte, next});
        }
        return next;
      default:
        return Repeated(node, next);
    }
  }

  // One repetition of a byte set or a group, in front of `next`.
  int Once(const Node& node, int next) {
    if (node.kind == Node::kBytes) return Add({NfaState::kRead, node.set, next});
    int start = -1;
    for (const Sequence& alternative : node.alternatives) {
      const int a = Items(alternative, next);
      if (a < 0) return -1;
      start = start < 0 ? a : Add({NfaState::kSplit, {}, a, start});
      if (start < 0) return -1;
    }
    return start;
  }

  // min repetitions, then up to max - min more, or any number more.
  int Repeated(const Node& node, int next) {
    int start = next;
    if (node.max == kUnbounded) {
      const int loop = Add({NfaState::kSplit, {}, -1, next});
      if (loop < 0) return -1;
      const int body = Once(node, loop);
      if (body < 0) return -1;
      states_[static_cast<std::size_t>(loop)].out = body;
      start = loop;
    } else {
      for (unsigned i = node.min; i < node.max && start >= 0; ++i) {
        const int body = Once(node, start);
        start = body < 0 ? -1 : Add({NfaState::kSplit, {}, body, next});
      }
    }
    for (unsigned i = 0; i < node.min && start >= 0; ++i) start = Once(node, start);
    return start;
  }

  std::vector<NfaState> states_;
};

// The deterministic automaton of the NFA, built whole by subset construction
// over classes of bytes that every set treats alike.
class DfaBuilder {
 public:
  explicit DfaBuilder(std::vector<NfaState> nfa) : nfa_(std::move(nfa)), seen_(nfa_.size()) {}

  // Fills e's classes, steps and start (ByteScanner::Expression); false when
  // the automaton has more than kMaxDfaStates states.
  template <typename Expression>
  bool Build(int start, Expression* e) {
    const std::size_t classCount = ByteClasses(&e->classes);
    std::vector<unsigned char> representative(classCount);
    for (std::size_t c = 256; c-- > 0;)
      representative[e->classes[c]] = static_cast<unsigned char>(c);
    Intern({});  // nothing can match any more
    stack_.push_back(start);
    Intern(Close(true));
    std::vector<std::size_t> to;
    for (std::size_t s = 0; s < sets_.size() && sets_.size() <= kMaxDfaStates; ++s) {
      for (std::size_t c = 0; c < classCount; ++c)
        to.push_back(Intern(Step(sets_[s], representative[c])));
    }
    if (sets_.size() > kMaxDfaStates) return false;
    e->next.reserve(to.size());
    e->flags.assign(sets_.size() * classCount, 0);
    for (std::size_t state : to) e->next.push_back(static_cast<std::uint32_t>(state * classCount));
    for (std::size_t state = 0; state < sets_.size(); ++state) {
      if (Accepts(sets_[state])) e->flags[state * classCount] |= Expression::kAccepts;
    }
    e->start = static_cast<std::uint32_t>(classCount);
    MarkRuns(classCount, e);
    return true;
  }

 private:
  // A state that some bytes lead back to gets the table of those bytes: the
  // search skips a run of them in a loop whose steps do not wait on each other.
  template <typename Expression>
  static void MarkRuns(std::size_t classCount, Expression* e) {
    e->runOf.assign(e->flags.size(), 0);
    std::map<std::array<unsigned char, 256>, std::uint32_t> tables;
    for (std::size_t row = classCount; row < e->flags.size(); row += classCount) {
      std::array<unsigned char, 256> stays{};
      bool any = false;
      for (std::size_t c = 0; c < 256; ++c) {
        stays[c] = e->next[row + e->classes[c]] == row ? 1 : 0;
        any = any || stays[c] != 0;
      }
      if (!any) continue;
      const auto found = tables.emplace(stays, static_cast<std::uint32_t>(e->runBytes.size()));
      if (found.second) e->runBytes.insert(e->runBytes.end(), stays.begin(), stays.end());
      e->runOf[row] = found.first->second;
      e->flags[row] |= Expression::kRuns;
    }
  }

  // Bytes that belong to the same sets get the same class.
  std::size_t ByteClasses(std::array<unsigned char, 256>* classes) const {
    std::vector<Bytes> sets;  // the distinct ones: counted repeats make many copies
    for (const NfaState& state : nfa_) {
      if (state.kind == NfaState::kRead &&
          std::find(sets.begin(), sets.end(), state.set) == sets.end()) {
        sets.push_back(state.set);
      }
    }
    std::map<std::vector<bool>, unsigned char> ids;
    for (std::size_t c = 0; c < 256; ++c) {
      std::vector<bool> signature;
      signature.reserve(sets.size());
      for (const Bytes& set : sets) signature.push_back(set.test(c));
      (*classes)[c] = ids.emplace(std::move(signature), ids.size()).first->second;
    }
    return ids.size();
  }

  // The reading and accepting states reached from the states on stack_ by
  // empty moves, in order; "^" passes only before the first byte.
  std::vector<int> Close(bool atStart) {
    std::vector<int> set;
    ++stamp_;
    while (!stack_.empty()) {
      const int s = stack_.back();
      stack_.pop_back();
      if (s < 0 || seen_[static_cast<std::size_t>(s)] == stamp_) continue;
      seen_[static_cast<std::size_t>(s)] = stamp_;
      const NfaState& n = nfa_[static_cast<std::size_t>(s)];
      if (n.kind == NfaState::kRead || n.kind == NfaState::kAccept) {
        set.push_back(s);
      } else if (n.kind == NfaState::kSplit) {
        stack_.push_back(n.out1);
        stack_.push_back(n.out);
      } else if (atStart) {
        stack_.push_back(n.out);
      }
    }
    std::sort(set.begin(), set.end());
    return set;
  }

  bool Accepts(const std::vector<int>& set) const {
    for (int state : set) {
      if (nfa_[static_cast<std::size_t>(state)].kind == NfaState::kAccept) return true;
    }
    return false;
  }

  std::vector<int> Step(const std::vector<int>& from, unsigned char byte) {
    for (int s : from) {
      const NfaState& n = nfa_[static_cast<std::size_t>(s)];
      if (n.kind == NfaState::kRead && n.set.test(byte)) stack_.push_back(n.out);
    }
    return Close(false);
  }

  std::size_t Intern(std::vector<int> set) {
    const auto found = ids_.find(set);
    if (found != ids_.end()) return found->second;
    sets_.push_back(set);
    return ids_.emplace(std::move(set), sets_.size() - 1).first->second;
  }

  std::vector<NfaState> nfa_;
  std::vector<int> stack_;
  std::vector<unsigned> seen_;  // == stamp_: reached in the closure being taken
  unsigned stamp_ = 0;
  std::vector<std::vector<int>> sets_;
  struct SetHash {
    std::size_t operator()(const std::vector<int>& set) const {
      std::size_t h = set.size();
      for (int state : set) h = h * 1000003u ^ static_cast<std::size_t>(state);
      return h;
    }
  };
  std::unordered_map<std::vector<int>, std::size_t, SetHash> ids_;
};

}  // namespace

// A step is next[row + class]: the row of the state reached, its number times
// classCount. flags[row] tells whether a match may end there and whether some
// bytes keep it there (those of runBytes[runOf[row]...], 256 entries). Row 0 is
// the state from which nothing can match any more; the search starts at row start.
struct ByteScanner::Expression {
  static constexpr unsigned char kAccepts = 1;
  static constexpr unsigned char kRuns = 2;
  std::array<unsigned char, 256> classes{};
  std::vector<std::uint32_t> next;
  std::vector<unsigned char> flags;  // indexed by row: the step's own work stays short
  std::vector<std::uint32_t> runOf;
  std::vector<unsigned char> runBytes;
  std::uint32_t start = 0;
};

ByteScanner::ByteScanner(std::unique_ptr<const Expression> expression)
    : expression_(std::move(expression)) {}

ByteScanner::~ByteScanner() = default;

std::unique_ptr<const ByteScanner> ByteScanner::Build(std::string_view ere) {
  try {
    Sequence top;
    if (!Parser(ere).Parse(&top)) return nullptr;
    Nullable(top);
    if (!Readable(top, true)) return nullptr;
    NfaBuilder nfa;
    const int accept = nfa.Add({NfaState::kAccept, {}});
    const int start = nfa.Items(top, accept);
    if (start < 0) return nullptr;
    auto e = std::make_unique<Expression>();
    if (!DfaBuilder(nfa.Take()).Build(start, e.get())) return nullptr;
    return std::unique_ptr<const ByteScanner>(new ByteScanner(std::move(e)));
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool ByteScanner::Longest(std::string_view text, std::size_t* length) const {
  const Expression& e = *expression_;
  const std::uint32_t* next = e.next.data();
  const unsigned char* flags = e.flags.data();
  const unsigned char* classes = e.classes.data();
  const auto* at = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const stop = at + text.size();
  std::uint32_t row = e.start;
  const unsigned char* end = nullptr;
  for (;;) {
    if (const unsigned char f = flags[row]) {
      if ((f & Expression::kRuns) != 0) {
        const unsigned char* stays = e.runBytes.data() + e.runOf[row];
        while (at != stop && stays[*at] != 0) ++at;
      }
      if ((f & Expression::kAccepts) != 0) end = at;
    }
    if (at == stop) break;
    row = next[row + classes[*at++]];
    if (row == 0) break;
  }
  if (!end) return false;
  *length = static_cast<std::size_t>(end - reinterpret_cast<const unsigned char*>(text.data()));
  return true;
}

}  // namespace pelk
