#include "host/PelkPattern.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "host/PosixRegex.h"

namespace {

// Offsets and counts are 32-bit: results take several times the size of the
// reply, and replies stay far below 4 GB.
using Index = std::uint32_t;
constexpr Index kNoGroups = std::numeric_limits<Index>::max();
constexpr std::size_t kMaxEntries = kNoGroups - 1;

// One match of a pattern, as offsets into the matched text. Its children's
// matches are groups[firstGroup + i] for the pattern's i-th child.
struct Instance {
  Index begin;
  Index end;
  Index firstGroup;
};

// The instances of one child inside one parent instance: instances[first, first + count).
struct Group {
  Index first;
  Index count;
};

// Grows in large chunks and never moves what it holds: results reach millions
// of entries, and reallocating a vector copied them over and over.
template <typename T>
class ChunkedArray {
 public:
  ChunkedArray() = default;
  ChunkedArray(const ChunkedArray& other) : size_(other.size_) {
    chunks_.reserve(other.chunks_.size());
    for (std::size_t i = 0; i < other.chunks_.size(); ++i) {
      chunks_.emplace_back(new T[kChunk]);
      const std::size_t n = std::min(kChunk, size_ - i * kChunk);
      std::copy(other.chunks_[i].get(), other.chunks_[i].get() + n, chunks_.back().get());
    }
  }
  ChunkedArray& operator=(const ChunkedArray&) = delete;

  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return chunks_[i >> kShift][i & (kChunk - 1)]; }
  const T& operator[](std::size_t i) const { return chunks_[i >> kShift][i & (kChunk - 1)]; }

  void push_back(const T& value) {
    if (size_ == chunks_.size() * kChunk) chunks_.emplace_back(new T[kChunk]);
    (*this)[size_++] = value;
  }
  void append(std::size_t n, const T& value) {
    for (std::size_t i = 0; i < n; ++i) push_back(value);
  }
  // Keeps the first n elements and the chunks, to be filled again.
  void truncate(std::size_t n) {
    if (n < size_) size_ = n;
  }

 private:
  static constexpr std::size_t kShift = 10;
  static constexpr std::size_t kChunk = std::size_t{1} << kShift;
  std::vector<std::unique_ptr<T[]>> chunks_;
  std::size_t size_ = 0;
};

struct Results {
  // The matched text: a copy, or the caller's own text when it keeps that alive.
  std::string copy;
  std::string_view borrowed;
  bool owned = true;
  std::string_view Text() const { return owned ? std::string_view(copy) : borrowed; }

  // The root's instances come first, then those below the one root instance
  // whose fields were asked for last (expandedRoot): a large reply's records
  // are read one after the other, and holding all their fields at once took
  // several times the reply's size.
  ChunkedArray<Instance> instances;
  ChunkedArray<Group> groups;
  Index rootCount = 0;
  Index expandedRoot = kNoGroups;
};

// "name[12]" -> name and index; "name" -> index absent.
struct PathPart {
  std::string_view name;
  bool hasIndex = false;
  std::size_t index = 0;
};

bool ParsePart(std::string_view part, PathPart& out) {
  const std::size_t open = part.find('[');
  out.name = part.substr(0, open);
  if (out.name.empty() || out.name.find(']') != std::string_view::npos) return false;
  if (open == std::string_view::npos) {
    out.hasIndex = false;
    return true;
  }
  const std::string_view digits = part.substr(open + 1);
  if (digits.size() < 2 || digits.back() != ']') return false;
  std::size_t value = 0;
  for (std::size_t i = 0; i + 1 < digits.size(); ++i) {
    const char c = digits[i];
    if (c < '0' || c > '9') return false;
    if (value > (static_cast<std::size_t>(-1) - 9) / 10) return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  out.hasIndex = true;
  out.index = value;
  return true;
}

}  // namespace

struct CPelkPattern::Impl {
  std::string name;
  bool repeating = false;
  std::vector<pelk::PosixRegex> pieces;  // a plain expression is a single piece
  bool selfValid = false;
  std::unique_ptr<std::vector<CPelkPattern>> children;
  std::unique_ptr<Results> results;  // only on the pattern Match was called on

  Impl(const char* fieldName, bool repeat) : name(fieldName ? fieldName : ""), repeating(repeat) {}

  Impl(const Impl& other)
      : name(other.name),
        repeating(other.repeating),
        pieces(other.pieces),
        selfValid(other.selfValid),
        children(other.children ? new std::vector<CPelkPattern>(*other.children) : nullptr),
        results(other.results ? new Results(*other.results) : nullptr) {}

  void Compile(const std::vector<std::string_view>& sources) {
    pieces.clear();
    selfValid = false;
    try {
      pieces.reserve(sources.size());
      for (std::string_view s : sources) pieces.emplace_back(s);
    } catch (const std::exception&) {
      pieces.clear();
      return;
    }
    selfValid = !pieces.empty();
    for (const auto& p : pieces) selfValid = selfValid && p.ok();
  }

  bool TreeValid() const {
    if (!selfValid) return false;
    if (children) {
      for (const CPelkPattern& child : *children) {
        if (!child.impl_ || !child.impl_->TreeValid()) return false;
      }
    }
    return true;
  }

  std::size_t ChildCount() const { return children ? children->size() : 0; }
  const Impl& Child(std::size_t i) const { return *(*children)[i].impl_; }

  enum class Outcome { kFound, kNotFound, kRetry };

  // Searches text[from, to) for one instance. kRetry: a later piece anchored
  // with "^" failed where the previous piece ended; the search may go on from *resume.
  Outcome FindInstance(std::string_view text, std::size_t from, std::size_t to, std::size_t* begin,
                       std::size_t* end, std::size_t* resume) const {
    std::size_t pos = from;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      std::size_t b = 0;
      std::size_t e = 0;
      if (!pieces[i].Find(text.substr(pos, to - pos), &b, &e)) {
        if (i > 0 && pieces[i].hasCaret()) {
          *resume = pos;
          return Outcome::kRetry;
        }
        // Without "^" this piece fails from any later position as well.
        return Outcome::kNotFound;
      }
      if (i == 0) *begin = pos + b;
      pos += e;
    }
    *end = pos;
    return Outcome::kFound;
  }

  // Appends this pattern's instances in text[from, to) to r.instances and
  // returns where the next sibling's search starts.
  std::size_t Collect(Results& r, std::size_t from, std::size_t to) const {
    std::size_t next = from;
    std::size_t pos = from;
    while (pos <= to) {
      std::size_t b = 0;
      std::size_t e = 0;
      std::size_t resume = 0;
      const Outcome o = FindInstance(r.Text(), pos, to, &b, &e, &resume);
      if (o == Outcome::kNotFound) break;
      if (o == Outcome::kRetry) {
        pos = resume > pos ? resume : pos + 1;
        continue;
      }
      if (r.instances.size() >= kMaxEntries) throw std::length_error("too many matches");
      r.instances.push_back(Instance{static_cast<Index>(b), static_cast<Index>(e), kNoGroups});
      next = e;
      if (!repeating) break;
      pos = e > b ? e : e + 1;  // an empty instance must not be found again
    }
    return next;
  }

  // Finds the children of the pattern instance r.instances[index], then theirs.
  void MatchChildren(Results& r, Index index) const {
    const std::size_t n = ChildCount();
    if (n == 0) return;
    if (r.groups.size() + n > kMaxEntries) throw std::length_error("too many matches");
    const auto firstGroup = static_cast<Index>(r.groups.size());
    r.groups.append(n, Group{0, 0});
    r.instances[index].firstGroup = firstGroup;
    const std::size_t to = r.instances[index].end;
    std::size_t pos = r.instances[index].begin;
    for (std::size_t i = 0; i < n; ++i) {
      const auto first = static_cast<Index>(r.instances.size());
      pos = Child(i).Collect(r, pos, to);
      const auto found = static_cast<Index>(r.instances.size() - first);
      r.groups[firstGroup + i] = Group{first, found};
      // A child that is not there ends the record's fields: the siblings after
      // it would otherwise be read from some other part of the record (a later
      // release's next-hop block would yield its index as a VPN label).
      if (found == 0) break;
    }
    for (std::size_t i = 0; i < n; ++i) {
      const Group g = r.groups[firstGroup + i];
      for (Index k = 0; k < g.count; ++k) Child(i).MatchChildren(r, g.first + k);
    }
  }

  // The callers walk records field by field ("e[3].d[1].a[0]", "e[3].d[1].b[0]",
  // ...): the instance the path before the last part named is remembered, so
  // the next path with that prefix starts from there instead of the root.
  struct ResolvedPrefix {
    std::string path;  // empty: nothing remembered
    const Impl* node = nullptr;
    const Instance* inst = nullptr;
  };
  mutable ResolvedPrefix prefix;

  void Remember(std::string_view path, const Impl* node, const Instance* inst) const {
    if (!inst) return;  // a root path has no prefix
    if (prefix.path != path) prefix.path.assign(path.data(), path.size());
    prefix.node = node;
    prefix.inst = inst;
  }
  void Forget() const { prefix = ResolvedPrefix{}; }

  // Makes the instances below root instance `root` those that results hold.
  // A record's children are searched inside it alone, so finding them again
  // finds the same.
  void Expand(Results& r, Index root) const {
    if (r.expandedRoot == root) return;
    Forget();  // it may name an instance of the record expanded before
    if (r.expandedRoot != kNoGroups) r.instances[r.expandedRoot].firstGroup = kNoGroups;
    r.expandedRoot = kNoGroups;
    r.instances.truncate(r.rootCount);
    r.groups.truncate(0);
    try {
      MatchChildren(r, root);
    } catch (...) {
      r.instances[root].firstGroup = kNoGroups;
      r.instances.truncate(r.rootCount);
      r.groups.truncate(0);
      throw;
    }
    r.expandedRoot = root;
  }

  // Matches the whole of r's text and keeps r as this pattern's results; the
  // root instances' children are found when first asked for.
  bool MatchAll(std::unique_ptr<Results> r) {
    const std::size_t size = r->Text().size();
    if (size > kMaxEntries) return false;
    Collect(*r, 0, size);
    r->rootCount = static_cast<Index>(r->instances.size());
    const bool matched = r->rootCount > 0;
    results = std::move(r);
    Forget();
    return matched;
  }

  // Resolve(record + "." + field) for a field of one part ("label[0]").
  bool ResolveField(const std::string& record, std::string_view field,
                    const Instance** found) const {
    if (!results) return false;
    if (prefix.inst && field.find('.') == std::string_view::npos && prefix.path == record) {
      PathPart part;
      if (!ParsePart(field, part)) return false;
      const Impl* node = prefix.node;
      std::size_t c = 0;
      while (c < node->ChildCount() && node->Child(c).name != part.name) ++c;
      if (c == node->ChildCount() || prefix.inst->firstGroup == kNoGroups) return false;
      const Group group = results->groups[prefix.inst->firstGroup + c];
      if (!part.hasIndex || part.index >= group.count) return false;
      *found = &results->instances[group.first + part.index];
      return true;
    }
    std::string path;
    path.reserve(record.size() + 1 + field.size());
    path.append(record).append(1, '.').append(field);
    return Resolve(path, false, nullptr, found);
  }

  // Where a walk along a path stands: the pattern and instance reached, and
  // the instances and path part that come next.
  struct Step {
    const Impl* node;
    const Instance* inst;  // null at the root
    Group group;           // the instances the next part picks from
    std::size_t start;     // where the next part begins in the path
  };

  // At the root, or after the remembered prefix when the path extends it.
  Step FirstStep(std::string_view path) const {
    Step step{this, nullptr, Group{0, results->rootCount}, 0};
    const std::string& known = prefix.path;
    if (!known.empty() && path.size() > known.size() && path[known.size()] == '.' &&
        path.compare(0, known.size(), known) == 0) {
      step.node = prefix.node;
      step.inst = prefix.inst;
      step.start = known.size() + 1;
    }
    return step;
  }

  // Moves step to the instances named childName: the root's own, or those of
  // the child of that name inside step.inst.
  bool Descend(std::string_view childName, Step& step) const {
    if (!step.inst) return childName == name;
    const Impl& node = *step.node;
    std::size_t c = 0;
    while (c < node.ChildCount() && node.Child(c).name != childName) ++c;
    if (c == node.ChildCount() || step.inst->firstGroup == kNoGroups) return false;
    step.group = results->groups[step.inst->firstGroup + c];
    step.node = &node.Child(c);
    return true;
  }

  // Follows a path from the root. For a count (wantCount) the last part has no
  // index and *count receives the number of its instances; otherwise every part
  // has one and *found is the instance named.
  bool Resolve(std::string_view path, bool wantCount, std::size_t* count,
               const Instance** found) const {
    if (!results) return false;
    Step step = FirstStep(path);
    for (;;) {
      const std::size_t dot = path.find('.', step.start);
      const bool last = dot == std::string_view::npos;
      PathPart part;
      if (!ParsePart(path.substr(step.start, last ? dot : dot - step.start), part)) return false;
      const Impl* const parentNode = step.node;
      const Instance* const parentInst = step.inst;
      if (!Descend(part.name, step)) return false;
      if (last) {
        Remember(path.substr(0, step.start == 0 ? 0 : step.start - 1), parentNode, parentInst);
        if (wantCount) return CountOf(part, step.group, count);
      }
      if (!part.hasIndex || part.index >= step.group.count) return false;
      const std::size_t index = step.group.first + part.index;
      if (!parentInst && !last) Expand(*results, static_cast<Index>(index));
      step.inst = &results->instances[index];
      if (last) break;
      step.start = dot + 1;
    }
    *found = step.inst;
    return true;
  }

  // A count is asked for by a last part without an index.
  static bool CountOf(const PathPart& part, const Group& group, std::size_t* count) {
    if (part.hasIndex) return false;
    *count = group.count;
    return true;
  }
};

CPelkPattern::CPelkPattern(const char* fieldName, bool repeating, const char* expression)
    : impl_(new Impl(fieldName, repeating)) {
  if (expression) impl_->Compile({std::string_view(expression)});
}

CPelkPattern::CPelkPattern(const char* fieldName, bool repeating,
                           const std::vector<std::string>& pieces)
    : impl_(new Impl(fieldName, repeating)) {
  std::vector<std::string_view> sources(pieces.begin(), pieces.end());
  impl_->Compile(sources);
}

CPelkPattern::CPelkPattern(const CPelkPattern& other)
    : impl_(other.impl_ ? new Impl(*other.impl_) : nullptr) {}

CPelkPattern& CPelkPattern::operator=(const CPelkPattern& other) {
  if (this != &other) impl_.reset(other.impl_ ? new Impl(*other.impl_) : nullptr);
  return *this;
}

CPelkPattern::~CPelkPattern() = default;

void CPelkPattern::SetSubPattern(std::vector<CPelkPattern>* children) {
  if (!impl_) {
    delete children;
    return;
  }
  if (children != impl_->children.get()) impl_->children.reset(children);
  impl_->results.reset();
  impl_->Forget();
}

bool CPelkPattern::IsValid() const { return impl_ && impl_->TreeValid(); }

bool CPelkPattern::Match(const char* text) {
  if (!impl_) return false;
  impl_->results.reset();
  impl_->Forget();
  if (!text || !impl_->TreeValid()) return false;
  try {
    auto r = std::make_unique<Results>();
    r->copy.assign(text);
    return impl_->MatchAll(std::move(r));
  } catch (const std::exception&) {
    impl_->results.reset();
    impl_->Forget();
    return false;
  }
}

bool CPelkPattern::MatchInPlace(std::string_view text) {
  if (!impl_) return false;
  impl_->results.reset();
  impl_->Forget();
  if (!impl_->TreeValid()) return false;
  try {
    auto r = std::make_unique<Results>();
    r->owned = false;
    r->borrowed = text;
    return impl_->MatchAll(std::move(r));
  } catch (const std::exception&) {
    impl_->results.reset();
    impl_->Forget();
    return false;
  }
}

int CPelkPattern::NumberMatches(const std::string& fieldPath) const {
  if (!impl_) return 0;
  try {
    std::size_t count = 0;
    if (!impl_->Resolve(fieldPath, true, &count, nullptr)) return 0;
    constexpr std::size_t kMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
    return static_cast<int>(count > kMax ? kMax : count);
  } catch (const std::exception&) {
    return 0;
  }
}

void CPelkPattern::FindField(const std::string& fieldPath, std::string& out) const {
  if (!impl_) return;
  try {
    const Instance* inst = nullptr;
    if (impl_->Resolve(fieldPath, false, nullptr, &inst)) {
      out.append(impl_->results->Text().substr(inst->begin, inst->end - inst->begin));
    }
  } catch (const std::exception&) {
  }
}

void CPelkPattern::FindField(const std::string& record, const char* field, std::string& out) const {
  if (!impl_ || !field) return;
  try {
    const Instance* inst = nullptr;
    if (impl_->ResolveField(record, field, &inst)) {
      out.append(impl_->results->Text().substr(inst->begin, inst->end - inst->begin));
    }
  } catch (const std::exception&) {
  }
}
