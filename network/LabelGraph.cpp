#include "network/LabelGraph.h"

#include <algorithm>
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

uint32_t LabelGraph::PlaceId(uint32_t router, std::string_view virtualRouter) {
  auto [name, newName] =
      names_.try_emplace(std::string(virtualRouter), static_cast<uint32_t>(nameText_.size()));
  if (newName) nameText_.push_back(&name->first);
  auto [place, newPlace] =
      placeIds_.try_emplace(Key(router, name->second), static_cast<uint32_t>(places_.size()));
  if (newPlace) places_.push_back({router, name->second});
  return place->second;
}

uint32_t LabelGraph::AddressId(std::string_view address) {
  auto [it, added] =
      addressIds_.try_emplace(std::string(address), static_cast<uint32_t>(addressText_.size()));
  if (added) {
    addressText_.push_back(&it->first);
    addressOwner_.push_back(kNone);
  }
  return it->second;
}

void LabelGraph::AddAddress(uint32_t router, std::string_view virtualRouter,
                            std::string_view address) {
  const uint32_t place = PlaceId(router, virtualRouter);
  uint32_t& owner = addressOwner_[AddressId(address)];
  if (owner == kNone) owner = place;  // an address two routers claim goes to the first
}

uint32_t LabelGraph::AddEntry(const EntryInput& input) {
  const uint32_t id = static_cast<uint32_t>(entries_.size());
  Entry entry{PlaceId(input.router, input.virtualRouter), input.inLabel.value_or(kNone),
              input.outLabel.value_or(kNone),
              input.nextHop.empty() ? kNone : AddressId(input.nextHop), input.endsHere};
  if (input.inLabel) byInLabel_.try_emplace(Key(entry.place, entry.inLabel), id);
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
  auto next = byInLabel_.find(Key(owner, entry.outLabel));
  if (next == byInLabel_.end()) {
    step.end = PathEnd::kBroken;
    return step;
  }
  step.next = next->second;
  return step;
}

Path LabelGraph::Walk(uint32_t first, const std::vector<Step>& steps,
                      std::vector<uint32_t>& stamp, uint32_t walk) const {
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

  auto order = [this](const Path& path) {
    const Entry& first = entries_[path.hops.front()];
    const Place& place = places_[first.place];
    return std::make_tuple(path.end, place.router, std::string_view(*nameText_[place.name]),
                           first.inLabel, path.hops.front());
  };
  std::sort(paths.begin(), paths.end(),
            [&order](const Path& a, const Path& b) { return order(a) < order(b); });
  return paths;
}

}  // namespace network
