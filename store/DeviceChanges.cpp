#include "store/DeviceChanges.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace store {
namespace {

using report::Number;
using report::Text;
using Key = std::vector<std::optional<std::string>>;

struct KeyOrder {
  bool operator()(const Key& a, const Key& b) const {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](const std::optional<std::string>& x, const std::optional<std::string>& y) {
          if (!x || !y) return !x && y;
          return NaturalLess(*x, *y);
        });
  }
};

struct TextOrder {
  bool operator()(const std::string& a, const std::string& b) const { return NaturalLess(a, b); }
};

// Items of the two runs with the same key, side by side; null where a run has
// fewer items of that key. Within a key, items that are `same` pair first, so
// that a router listing them in another order shows no change; the rest pair
// in their order.
template <typename T>
struct Pairing {
  Key key;
  const T* before;
  const T* after;
};

// Pairs the items of one key that are `same`, taking them out of both lists.
template <typename T, typename Same>
void PairSameFirst(const Key& key, std::vector<const T*>& older, std::vector<const T*>& newer,
                   Same same, std::vector<Pairing<T>>& pairs) {
  for (const T*& was : older) {
    for (const T*& is : newer) {
      if (!is || !same(*was, *is)) continue;
      pairs.push_back({key, was, is});
      was = is = nullptr;
      break;
    }
  }
  older.erase(std::remove(older.begin(), older.end(), nullptr), older.end());
  newer.erase(std::remove(newer.begin(), newer.end(), nullptr), newer.end());
}

template <typename T, typename KeyOf, typename Same>
std::vector<Pairing<T>> PairByKey(const std::vector<T>& before, const std::vector<T>& after,
                                  KeyOf keyOf, Same same) {
  std::map<Key, std::pair<std::vector<const T*>, std::vector<const T*>>, KeyOrder> groups;
  for (const T& item : before) groups[keyOf(item)].first.push_back(&item);
  for (const T& item : after) groups[keyOf(item)].second.push_back(&item);
  std::vector<Pairing<T>> pairs;
  for (auto& [key, group] : groups) {
    auto& [older, newer] = group;
    if (older.size() > 1 || newer.size() > 1) PairSameFirst(key, older, newer, same, pairs);
    for (size_t i = 0; i < std::max(older.size(), newer.size()); ++i) {
      pairs.push_back(
          {key, i < older.size() ? older[i] : nullptr, i < newer.size() ? newer[i] : nullptr});
    }
  }
  return pairs;
}

template <typename T>
const std::vector<T>& Items(const std::optional<std::vector<T>>& list) {
  static const std::vector<T> kNone;
  return list ? *list : kNone;
}

std::string Join(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + text;
  return joined;
}

Value TextValue(const char* name, const Text& text) { return {name, text, false}; }
Value NumberValue(const char* name, const Number& number) {
  if (!number) return {name, std::nullopt, true};
  return {name, std::to_string(*number), true};
}

// Names of interfaces by ifIndex: the device's ifDescr, else "ifIndex N".
class InterfaceNames {
 public:
  explicit InterfaceNames(const report::Report& r) {
    for (const report::Interface& i : r.interfaces) {
      if (i.ifDescr) names_.emplace(i.ifIndex, *i.ifDescr);
    }
  }
  std::string operator()(int ifIndex) const {
    const auto found = names_.find(ifIndex);
    return found != names_.end() ? found->second : "ifIndex " + std::to_string(ifIndex);
  }

 private:
  std::map<int, std::string> names_;
};

// A label entry's in interfaces, its two lists read side by side: "ATM2/0.2 (11)",
// "ifIndex 13" when there is no name for that place, the name alone when no index.
Text InInterfaces(const report::LabelEntry& e) {
  if (!e.inIfIndexes && !e.inInterfaces) return std::nullopt;
  const std::vector<int>& indexes = Items(e.inIfIndexes);
  const std::vector<std::string>& names = Items(e.inInterfaces);
  std::vector<std::string> each;
  for (size_t i = 0; i < indexes.size() || i < names.size(); ++i) {
    if (i < names.size() && i < indexes.size()) {
      each.push_back(names[i] + " (" + std::to_string(indexes[i]) + ")");
    } else if (i < names.size()) {
      each.push_back(names[i]);
    } else {
      each.push_back("ifIndex " + std::to_string(indexes[i]));
    }
  }
  return Join(each);
}

Text Joined(const report::Texts& texts) {
  if (!texts) return std::nullopt;
  return Join(*texts);
}

// What the two layouts of the forwarding table print for an entry. Both sides
// of a pair get the same fields: those of their layout, or all of them when
// the router changed layouts between the runs.
struct LabelLayouts {
  bool module;
  bool labelTable;
};

Values LabelFields(const report::LabelEntry& e, LabelLayouts layouts) {
  Values fields = {TextValue("outLabel", e.outLabel)};
  if (layouts.labelTable) fields.push_back(TextValue("pushLabels", Joined(e.pushLabels)));
  fields.push_back(TextValue("outInterface", e.outInterface));
  fields.push_back(NumberValue("outIfIndex", e.outIfIndex));
  fields.push_back(TextValue("nextHop", e.nextHop));
  if (layouts.module) {
    fields.push_back(TextValue("lspName", e.lspName));
    fields.push_back(TextValue("inInterfaces", InInterfaces(e)));
  }
  if (layouts.labelTable) {
    fields.push_back(TextValue("owner", e.owner));
    fields.push_back(TextValue("action", e.action));
    fields.push_back(TextValue("actionText", e.actionText));
  }
  if (layouts.module && layouts.labelTable) fields.push_back(TextValue("layout", e.layout));
  return fields;
}

LabelLayouts LayoutsOf(const report::LabelEntry* a, const report::LabelEntry* b) {
  LabelLayouts layouts{false, false};
  for (const report::LabelEntry* e : {a, b}) {
    if (!e) continue;
    (e->layout ? layouts.labelTable : layouts.module) = true;
  }
  return layouts;
}

Values ImpositionFields(const report::Imposition& i) {
  return {TextValue("label", i.label), TextValue("interface", i.interface),
          NumberValue("ifIndex", i.ifIndex)};
}

bool SameTexts(const Values& a, const Values& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const Value& x, const Value& y) { return x.text == y.text; });
}

bool SameLabelEntry(const report::LabelEntry& a, const report::LabelEntry& b) {
  const LabelLayouts layouts = LayoutsOf(&a, &b);
  return SameTexts(LabelFields(a, layouts), LabelFields(b, layouts));
}

bool SameImposition(const report::Imposition& a, const report::Imposition& b) {
  return SameTexts(ImpositionFields(a), ImpositionFields(b));
}

// VRFs are keyed by what names them: a key never repeats.
bool NeverSame(const report::Vrf&, const report::Vrf&) { return false; }

class Comparison {
 public:
  Comparison(const report::Report& before, const report::Report& after)
      : before_(before), after_(after), namesBefore_(before), namesAfter_(after) {}

  std::vector<Change> Run() {
    const auto vrfs = PairByKey(
        before_.vrfs, after_.vrfs,
        [](const report::Vrf& v) {
          return Key{v.virtualRouter, v.name};
        },
        NeverSame);
    for (const Pairing<report::Vrf>& vrf : vrfs) Vrf(vrf);
    for (const auto& entry : PairByKey(
             before_.labelEntries, after_.labelEntries,
             [](const report::LabelEntry& e) {
               return Key{e.virtualRouter, e.inLabel, e.inInterface, e.labelSpace};
             },
             SameLabelEntry)) {
      LabelEntry(entry);
    }
    for (const Pairing<report::Vrf>& vrf : vrfs) {
      if (vrf.before && vrf.after) Impositions(vrf);
    }
    return std::move(changes_);
  }

 private:
  // An item in one run only is added or removed whole; in both, only the
  // fields that differ are kept.
  void Compare(const char* kind, const Values& key, const Values* before, const Values* after) {
    Change change{kind, "", key, {}, {}};
    if (!before) {
      change.change = "added";
      change.after = *after;
    } else if (!after) {
      change.change = "removed";
      change.before = *before;
    } else {
      change.change = "changed";
      for (size_t i = 0; i < before->size(); ++i) {
        if ((*before)[i].text == (*after)[i].text) continue;
        change.before.push_back((*before)[i]);
        change.after.push_back((*after)[i]);
      }
      if (change.before.empty()) return;
    }
    changes_.push_back(std::move(change));
  }

  Values VrfSummary(const report::Vrf& v, const InterfaceNames& names) {
    std::vector<std::string> interfaces;
    for (int ifIndex : Items(v.ifIndexes)) interfaces.push_back(names(ifIndex));
    return {TextValue("routeDistinguisher", v.routeDistinguisher),
            TextValue("importRouteTargets", Join(Items(v.importRouteTargets))),
            TextValue("exportRouteTargets", Join(Items(v.exportRouteTargets))),
            TextValue("interfaces", Join(interfaces)),
            NumberValue("impositions", static_cast<int>(Items(v.impositions).size()))};
  }

  void Vrf(const Pairing<report::Vrf>& vrf) {
    const Values key = {{"virtualRouter", vrf.key[0]}, {"vrf", vrf.key[1]}};
    if (!vrf.before || !vrf.after) {
      const Values whole =
          vrf.before ? VrfSummary(*vrf.before, namesBefore_) : VrfSummary(*vrf.after, namesAfter_);
      Compare("vrf", key, vrf.before ? &whole : nullptr, vrf.after ? &whole : nullptr);
      return;
    }
    const Values rdBefore = {TextValue("routeDistinguisher", vrf.before->routeDistinguisher)};
    const Values rdAfter = {TextValue("routeDistinguisher", vrf.after->routeDistinguisher)};
    Compare("vrf", key, &rdBefore, &rdAfter);
    RouteTargets(key, "import", vrf.before->importRouteTargets, vrf.after->importRouteTargets);
    RouteTargets(key, "export", vrf.before->exportRouteTargets, vrf.after->exportRouteTargets);
    VrfInterfaces(key, *vrf.before, *vrf.after);
  }

  void RouteTargets(const Values& vrfKey, const char* direction, const report::Texts& before,
                    const report::Texts& after) {
    const std::set<std::string, TextOrder> older(Items(before).begin(), Items(before).end());
    const std::set<std::string, TextOrder> newer(Items(after).begin(), Items(after).end());
    std::set<std::string, TextOrder> all = older;
    all.insert(newer.begin(), newer.end());
    for (const std::string& target : all) {
      const bool wasThere = older.count(target) != 0, isThere = newer.count(target) != 0;
      if (wasThere == isThere) continue;
      Values key = vrfKey;
      key.push_back({"direction", direction});
      key.push_back({"routeTarget", target});
      changes_.push_back({"routeTarget", isThere ? "added" : "removed", key, {}, {}});
    }
  }

  void VrfInterfaces(const Values& vrfKey, const report::Vrf& before, const report::Vrf& after) {
    const std::set<int> older(Items(before.ifIndexes).begin(), Items(before.ifIndexes).end());
    const std::set<int> newer(Items(after.ifIndexes).begin(), Items(after.ifIndexes).end());
    std::set<int> all = older;
    all.insert(newer.begin(), newer.end());
    for (int ifIndex : all) {
      const bool wasThere = older.count(ifIndex) != 0, isThere = newer.count(ifIndex) != 0;
      if (wasThere == isThere) continue;
      Values key = vrfKey;
      key.push_back({"interface", (isThere ? namesAfter_ : namesBefore_)(ifIndex)});
      key.push_back(NumberValue("ifIndex", ifIndex));
      changes_.push_back({"vrfInterface", isThere ? "added" : "removed", key, {}, {}});
    }
  }

  // Keyed by virtual router and in label; an entry of the table by incoming
  // label also by its attachment interface and its label space.
  void LabelEntry(const Pairing<report::LabelEntry>& entry) {
    Values key = {{"virtualRouter", entry.key[0]}};
    if (entry.key[1] || !entry.key[2]) key.push_back({"inLabel", entry.key[1]});
    if (entry.key[2]) key.push_back({"inInterface", entry.key[2]});
    if (entry.key[3]) key.push_back({"labelSpace", entry.key[3]});
    const LabelLayouts layouts = LayoutsOf(entry.before, entry.after);
    Values before = entry.before ? LabelFields(*entry.before, layouts) : Values();
    Values after = entry.after ? LabelFields(*entry.after, layouts) : Values();
    // An entry added or removed whole shows what it has of these two.
    const auto absentExtra = [](const Value& v) {
      return !v.text && (v.name == "pushLabels" || v.name == "actionText");
    };
    if (!entry.before || !entry.after) {
      Values& whole = entry.before ? before : after;
      whole.erase(std::remove_if(whole.begin(), whole.end(), absentExtra), whole.end());
    }
    Compare("labelEntry", key, entry.before ? &before : nullptr, entry.after ? &after : nullptr);
  }

  void Impositions(const Pairing<report::Vrf>& vrf) {
    const auto pairs = PairByKey(
        Items(vrf.before->impositions), Items(vrf.after->impositions),
        [](const report::Imposition& i) {
          return Key{i.destination, i.nextHop};
        },
        SameImposition);
    for (const Pairing<report::Imposition>& imposition : pairs) {
      const Values key = {{"virtualRouter", vrf.key[0]},
                          {"vrf", vrf.key[1]},
                          {"destination", imposition.key[0]},
                          {"nextHop", imposition.key[1]}};
      const Values before = imposition.before ? ImpositionFields(*imposition.before) : Values();
      const Values after = imposition.after ? ImpositionFields(*imposition.after) : Values();
      Compare("imposition", key, imposition.before ? &before : nullptr,
              imposition.after ? &after : nullptr);
    }
  }

  const report::Report& before_;
  const report::Report& after_;
  const InterfaceNames namesBefore_, namesAfter_;
  std::vector<Change> changes_;
};

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The number that starts at `at` of `text`, as [first, end): leading zeros
// left out, all but the last.
std::pair<size_t, size_t> Digits(const std::string& text, size_t at) {
  while (at + 1 < text.size() && text[at] == '0' && IsDigit(text[at + 1])) ++at;
  size_t end = at;
  while (end < text.size() && IsDigit(text[end])) ++end;
  return {at, end};
}

}  // namespace

std::vector<Change> CompareReports(const report::Report& before, const report::Report& after) {
  return Comparison(before, after).Run();
}

bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t endA = 0, endB = 0;
      std::tie(i, endA) = Digits(a, i);
      std::tie(j, endB) = Digits(b, j);
      if (endA - i != endB - j) return endA - i < endB - j;
      const int order = a.compare(i, endA - i, b, j, endB - j);
      if (order != 0) return order < 0;
      i = endA;
      j = endB;
    } else if (a[i] != b[j]) {
      return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
    } else {
      ++i;
      ++j;
    }
  }
  if (i != a.size() || j != b.size()) return i == a.size();  // a prefix first
  return a < b;  // equal but for leading zeros: plain order keeps the order strict
}

}  // namespace store
