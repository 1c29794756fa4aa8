#include "network/LabelGraph.h"

#include <algorithm>
#include <numeric>
#include <tuple>

namespace network {
namespace {

const uint32_t kImplicitNull = 3;
const uint32_t kExplicitNull = 0;

uint64_t Key(uint32_t high, uint32_t low) { return (uint64_t{high} << 32) | low; }

}  // namespace

const char* PathEndName(PathEnd end) {
  switch (end) {
    case PathEnd::kBroken:
      return "broken";
    case PathEnd::kLoop:
      return "loop";
    case PathEnd::kLeaves:
      return "leaves";
    case PathEnd::kEgress:
      break;
  }
  return "egress";
}

std::optional<uint32_t> ParseLabel(const std::optional<std::string>& text) {
  if (!text || text->empty() || text->size() > 9) return std::nullopt;
  uint32_t label = 0;
  for (char c : *text) {
    if (c < '0' || c > '9') return std::nullopt;
    label = label * 10 + static_cast<uint32_t>(c - '0');
  }
  return label;
}

void LabelGraph::LabelIndex::Insert(uint32_t label, uint32_t entry) {
  if (2 * (used_ + 1) > slots_.size()) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<size_t>(16, 2 * old.size()), Slot{0, kNone});
    shift_ = 32 - __builtin_ctzll(slots_.size());
    for (const Slot& slot : old) {
      if (slot.entry != kNone) slots_[SlotOf(slot.label)] = slot;
    }
  }
  Slot& slot = slots_[SlotOf(label)];
  if (slot.entry != kNone) return;
  slot = {label, entry};
  ++used_;
}

uint32_t LabelGraph::LabelIndex::Find(uint32_t label) const {
  return slots_.empty() ? kNone : slots_[SlotOf(label)].entry;
}

// The slot that holds `label`, or the empty one where it would go.
size_t LabelGraph::LabelIndex::SlotOf(uint32_t label) const {
  const size_t mask = slots_.size() - 1;
  size_t at = static_cast<uint32_t>(label * 0x9E3779B1u) >> shift_;
  while (slots_[at].entry != kNone && slots_[at].label != label) at = (at + 1) & mask;
  return at;
}

uint32_t LabelGraph::PlaceId(uint32_t router, std::string_view virtualRouter) {
  if (router == lastRouter_ && virtualRouter == lastName_) return lastPlace_;
  auto name = names_.find(virtualRouter);
  if (name == names_.end()) {
    const std::string& text = text_.emplace_back(virtualRouter);
    name = names_.emplace(text, static_cast<uint32_t>(nameText_.size())).first;
    nameText_.push_back(&text);
  }
  auto [place, newPlace] =
      placeIds_.try_emplace(Key(router, name->second), static_cast<uint32_t>(places_.size()));
  if (newPlace) {
    places_.push_back({router, name->second});
    byInLabel_.emplace_back();
  }
  lastRouter_ = router;
  lastName_ = name->first;
  return lastPlace_ = place->second;
}

uint32_t LabelGraph::AddressId(std::string_view address) {
  auto it = addressIds_.find(address);
  if (it != addressIds_.end()) return it->second;
  const std::string& text = text_.emplace_back(address);
  addressText_.push_back(&text);
  addressOwner_.push_back(kNone);
  return addressIds_.emplace(text, static_cast<uint32_t>(addressText_.size() - 1)).first->second;
}

void LabelGraph::AddAddress(uint32_t router, std::string_view virtualRouter,
                            std::string_view address) {
  const uint32_t place = PlaceId(router, virtualRouter);
  const uint32_t id = AddressId(address);
  uint32_t& owner = addressOwner_[id];
  if (owner == kNone) owner = place;  // an address two routers claim goes to the first
}

void LabelGraph::ReserveEntries(size_t count) { entries_.reserve(count); }

uint32_t LabelGraph::AddEntry(const EntryInput& input) {
  const uint32_t id = static_cast<uint32_t>(entries_.size());
  Entry entry{PlaceId(input.router, input.virtualRouter), input.inLabel.value_or(kNone),
              input.outLabel.value_or(kNone),
              input.nextHop.empty() ? kNone : AddressId(input.nextHop), input.endsHere};
  if (input.inLabel) byInLabel_[entry.place].Insert(entry.inLabel, id);
  entries_.push_back(entry);
  return id;
}

LabelGraph::Step LabelGraph::StepOf(uint32_t id) const {
  const Entry& entry = entries_[id];
  Step step;
  if (entry.endsHere) {
    step.endRouter = places_[entry.place].router;
    return step;
  }
  const uint32_t owner = entry.nextHop == kNone ? kNone : addressOwner_[entry.nextHop];
  if (owner == kNone) {
    step.end = PathEnd::kLeaves;
    return step;
  }
  step.endRouter = places_[owner].router;
  if (entry.outLabel == kNone || entry.outLabel == kImplicitNull ||
      entry.outLabel == kExplicitNull) {
    return step;
  }
  step.next = byInLabel_[owner].Find(entry.outLabel);
  if (step.next == kNone) step.end = PathEnd::kBroken;
  return step;
}

Path LabelGraph::Walk(uint32_t first, const std::vector<Step>& steps, std::vector<uint32_t>& stamp,
                      uint32_t walk) const {
  Path path;
  uint32_t at = first;
  for (;;) {
    stamp[at] = walk;
    path.hops.push_back(at);
    const Step& step = steps[at];
    if (step.next == kNone) {
      path.end = step.end;
      path.endRouter = step.endRouter;
      break;
    }
    if (stamp[step.next] == walk) {
      path.end = PathEnd::kLoop;
      path.endRouter = RouterOf(step.next);
      break;
    }
    at = step.next;
  }
  path.endAddress = entries_[at].nextHop;
  return path;
}

std::vector<Path> LabelGraph::Stitch() const {
  std::vector<Step> steps(entries_.size());
  std::vector<uint8_t> enteredFromElsewhere(entries_.size(), 0);
  for (uint32_t id = 0; id < entries_.size(); ++id) {
    steps[id] = StepOf(id);
    if (steps[id].next != kNone) enteredFromElsewhere[steps[id].next] = 1;
  }
  // Stamps tell a path its own entries (a loop) apart from those of earlier
  // paths, which it may share after two paths merge.
  std::vector<uint32_t> stamp(entries_.size(), kNone);
  std::vector<Path> paths;
  uint32_t walk = 0;
  for (uint32_t id = 0; id < entries_.size(); ++id) {
    if (!enteredFromElsewhere[id]) paths.push_back(Walk(id, steps, stamp, walk++));
  }
  // What no start reached lies on loops that nobody enters from outside.
  for (uint32_t id = 0; id < entries_.size(); ++id) {
    if (stamp[id] == kNone) paths.push_back(Walk(id, steps, stamp, walk++));
  }

  // Sorted by numbers alone: virtual router names by their rank.
  std::vector<uint32_t> byName(nameText_.size()), rank(nameText_.size());
  std::iota(byName.begin(), byName.end(), 0);
  std::sort(byName.begin(), byName.end(),
            [this](uint32_t a, uint32_t b) { return *nameText_[a] < *nameText_[b]; });
  for (uint32_t i = 0; i < byName.size(); ++i) rank[byName[i]] = i;
  using Order = std::tuple<PathEnd, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t>;
  std::vector<Order> order;
  order.reserve(paths.size());
  for (uint32_t i = 0; i < paths.size(); ++i) {
    const uint32_t first = paths[i].hops.front();
    const Place& place = places_[entries_[first].place];
    order.emplace_back(paths[i].end, place.router, rank[place.name], entries_[first].inLabel, first,
                       i);
  }
  std::sort(order.begin(), order.end());
  std::vector<Path> sorted;
  sorted.reserve(paths.size());
  for (const Order& o : order) sorted.push_back(std::move(paths[std::get<5>(o)]));
  return sorted;
}

}  // namespace network
