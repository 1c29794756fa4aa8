// Label entries of many routers joined into one graph, and every path a
// labelled packet takes through it. An entry's next hop is an address some
// router owns; on that router, in the virtual router that owns the address,
// the entry whose in label is this entry's out label comes next.
//
//   network::LabelGraph graph;
//   uint32_t pe = graph.AddRouter();
//   graph.AddAddress(pe, "default", "10.0.1.2");
//   graph.AddEntry({pe, "default", 100, 200, "10.0.1.2"});
//   for (const network::Path& path : graph.Stitch()) ...
//
// Built for whole fleets: an index by address and one by (router, virtual
// router, in label), so that stitching costs a few hash look-ups per entry and
// memory in proportion to the entries.
#ifndef NETWORK_LABELGRAPH_H_
#define NETWORK_LABELGRAPH_H_

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace network {

const uint32_t kNone = UINT32_MAX;

// In the order paths are listed: what an engineer wants to see first.
enum class PathEnd : uint8_t {
  kBroken,  // the next router is ours but has no entry for the label
  kLoop,    // back at an entry the path already passed
  kLeaves,  // the next hop is no router of ours
  kEgress,  // label 3 or 0 to a router of ours, or an entry that ends here
};
const char* PathEndName(PathEnd end);

struct EntryInput {
  uint32_t router = 0;
  std::string_view virtualRouter;
  std::optional<uint32_t> inLabel;   // none: nobody can forward into it
  std::optional<uint32_t> outLabel;  // the top label it sends
  std::string_view nextHop;          // empty: none
  bool endsHere = false;             // pop, lookup: the path ends at this router
};

struct Path {
  std::vector<uint32_t> hops;  // entry ids, in order
  PathEnd end = PathEnd::kEgress;
  uint32_t endRouter = kNone;   // where it ends: egress, broken and loop
  uint32_t endAddress = kNone;  // the last next hop, an address id
};

class LabelGraph {
 public:
  uint32_t AddRouter() { return routers_++; }
  // Routers are numbered as added; paths come out in that order.
  void AddAddress(uint32_t router, std::string_view virtualRouter, std::string_view address);
  uint32_t AddEntry(const EntryInput& entry);  // the entry's id, counted from 0
  void ReserveEntries(size_t count);

  // Every path, broken and looping ones first, then by their first entry's
  // router, virtual router and in label. A path starts at an entry nobody
  // forwards into; entries only on a loop nobody enters make one path each loop.
  std::vector<Path> Stitch() const;

  uint32_t RouterOf(uint32_t entry) const { return places_[entries_[entry].place].router; }
  const std::string& Address(uint32_t id) const { return *addressText_[id]; }
  size_t EntryCount() const { return entries_.size(); }

 private:
  struct Place {  // a virtual router of one router
    uint32_t router;
    uint32_t name;
  };
  struct Entry {
    uint32_t place;
    uint32_t inLabel;
    uint32_t outLabel;
    uint32_t nextHop;
    bool endsHere;
  };
  struct Step {             // where an entry sends its packets
    uint32_t next = kNone;  // the entry that takes them, or kNone: the path ends
    PathEnd end = PathEnd::kEgress;
    uint32_t endRouter = kNone;
  };

  uint32_t PlaceId(uint32_t router, std::string_view virtualRouter);
  uint32_t AddressId(std::string_view address);
  Step StepOf(uint32_t entry) const;
  Path Walk(uint32_t first, const std::vector<Step>& steps, std::vector<uint32_t>& stamp,
            uint32_t walk) const;

  // In labels of one place to its entries, by open addressing. A table per
  // place stays small enough for the cache, and a router's entries mostly
  // look up the same few neighbours; one node-based map of ten million
  // entries cost an allocation each and most of the time.
  class LabelIndex {
   public:
    void Insert(uint32_t label, uint32_t entry);  // the first entry of a label stays
    uint32_t Find(uint32_t label) const;          // kNone when absent

   private:
    struct Slot {
      uint32_t label;
      uint32_t entry;  // kNone: empty
    };
    size_t SlotOf(uint32_t label) const;
    std::vector<Slot> slots_;
    size_t used_ = 0;
    int shift_ = 32;
  };

  uint32_t routers_ = 0;
  std::deque<std::string> text_;  // names and addresses, never moved
  std::unordered_map<std::string_view, uint32_t> names_;
  std::vector<const std::string*> nameText_;
  std::unordered_map<uint64_t, uint32_t> placeIds_;
  std::vector<Place> places_;
  std::unordered_map<std::string_view, uint32_t> addressIds_;
  std::vector<const std::string*> addressText_;
  std::vector<uint32_t> addressOwner_;  // address id -> place, or kNone
  std::vector<LabelIndex> byInLabel_;   // by place
  std::vector<Entry> entries_;
  // Entries come router by router: the last place asked for is likely asked again.
  uint32_t lastRouter_ = kNone, lastPlace_ = kNone;
  std::string_view lastName_;
};

// A label as the tables print it, when it is a number.
std::optional<uint32_t> ParseLabel(const std::optional<std::string>& text);

}  // namespace network

#endif  // NETWORK_LABELGRAPH_H_
