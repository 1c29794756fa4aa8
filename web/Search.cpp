#include "web/Search.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <chrono>

namespace web {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// An IPv4 address or prefix, "10.1.0.0/16" or "10.1.2.3" (a /32).
struct Prefix {
  uint32_t address = 0;
  int length = 32;
  bool Holds(const Prefix& other) const {
    if (other.length < length) return false;
    const uint32_t mask = length == 0 ? 0 : ~uint32_t{0} << (32 - length);
    return (address & mask) == (other.address & mask);
  }
};

std::optional<Prefix> ParsePrefix(const std::string& text) {
  const size_t slash = text.find('/');
  in_addr parsed{};
  if (inet_pton(AF_INET, text.substr(0, slash).c_str(), &parsed) != 1) return std::nullopt;
  Prefix prefix;
  prefix.address = ntohl(parsed.s_addr);
  if (slash != std::string::npos) {
    const std::string length = text.substr(slash + 1);
    if (length.empty() || length.size() > 2 ||
        !std::all_of(length.begin(), length.end(),
                     [](unsigned char c) { return std::isdigit(c); })) {
      return std::nullopt;
    }
    prefix.length = std::stoi(length);
    if (prefix.length > 32) return std::nullopt;
  }
  return prefix;
}

class Finder {
 public:
  Finder(const std::string& query, int64_t limit)
      : words_(Lower(query)), prefix_(ParsePrefix(query)), label_(query), limit_(limit) {}

  bool Full() const { return static_cast<int64_t>(results_.size()) >= limit_; }
  bool truncated = false;

  void Look(const report::Report& r) {
    for (const report::Vrf& vrf : r.vrfs) LookInVrf(r.device, vrf);
    for (const report::Interface& interface : r.interfaces) {
      if (interface.ifDescr && Names(*interface.ifDescr)) {
        Add("interface", r.device, interface.virtualRouter.value_or(""), interface.vrf.value_or(""),
            *interface.ifDescr, "ifIndex " + std::to_string(interface.ifIndex));
      }
    }
    for (const report::IpAddress& address : r.ipAddresses) {
      if (Address(address.address)) {
        Add("address", r.device, address.virtualRouter, "", address.address,
            address.ifIndex ? "ifIndex " + std::to_string(*address.ifIndex) : "");
      }
    }
    for (const report::LabelEntry& e : r.labelEntries) {
      if (Full()) {
        truncated = true;
        return;
      }
      LookInLabelEntry(r.device, e);
    }
  }

  Json Results() { return std::move(results_); }

 private:
  void LookInVrf(const std::string& device, const report::Vrf& vrf) {
    const std::string vr = vrf.virtualRouter.value_or("");
    const std::string name = vrf.name.value_or("");
    if (Names(name)) Add("vrf", device, vr, name, name, vrf.routeDistinguisher.value_or(""));
    if (vrf.routeDistinguisher && Names(*vrf.routeDistinguisher)) {
      Add("routeDistinguisher", device, vr, name, *vrf.routeDistinguisher, "");
    }
    for (const auto& [direction, targets] :
         {std::pair{"import", &vrf.importRouteTargets}, {"export", &vrf.exportRouteTargets}}) {
      if (!*targets) continue;
      for (const std::string& target : **targets) {
        if (Names(target)) Add("routeTarget", device, vr, name, target, direction);
      }
    }
    if (!vrf.impositions) return;
    for (const report::Imposition& imposition : *vrf.impositions) {
      if (imposition.destination && Address(*imposition.destination)) {
        Add("address", device, vr, name, *imposition.destination,
            "imposition label " + imposition.label.value_or("-") + " via " +
                imposition.nextHop.value_or("-"));
      }
    }
  }
  void LookInLabelEntry(const std::string& device, const report::LabelEntry& e) {
    const std::string vr = e.virtualRouter.value_or("");
    const std::string detail = "in " + e.inLabel.value_or("-") + " out " +
                               e.outLabel.value_or("-") + " via " + e.outInterface.value_or("-") +
                               " " + e.nextHop.value_or("");
    if (e.lspName && Names(*e.lspName)) Add("lsp", device, vr, "", *e.lspName, detail);
    if (e.inLabel == label_ || e.outLabel == label_) {
      Add("label", device, vr, "", label_, e.lspName.value_or("") + " " + detail);
    }
    if (e.outInterface && Names(*e.outInterface)) {
      Add("interface", device, vr, "", *e.outInterface, "out interface of " + detail);
    }
  }
  bool Names(const std::string& text) const {
    return !words_.empty() && Lower(text).find(words_) != std::string::npos;
  }
  // An address held by the query's prefix, or a prefix that holds the query's address.
  bool Address(const std::string& text) const {
    const std::optional<Prefix> found = ParsePrefix(text);
    if (!prefix_ || !found) return false;
    return prefix_->Holds(*found) || (prefix_->length == 32 && found->Holds(*prefix_));
  }
  void Add(const char* kind, const std::string& device, const std::string& virtualRouter,
           const std::string& vrf, const std::string& value, const std::string& detail) {
    if (Full()) {
      truncated = true;
      return;
    }
    results_.push_back(Json{{"kind", kind},
                            {"device", device},
                            {"virtualRouter", virtualRouter},
                            {"vrf", vrf},
                            {"value", value},
                            {"detail", detail}});
  }

  std::string words_;
  std::optional<Prefix> prefix_;
  std::string label_;
  int64_t limit_;
  Json results_ = Json::array();
};

}  // namespace

Json SearchRun(StoreReader& store, int64_t run, const std::string& query, int64_t limit) {
  Finder finder(query, limit);
  bool timedOut = false;
  if (!query.empty()) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSearchSeconds);
    for (const store::StoredDevice& device : store.Devices(run)) {
      if (finder.Full()) {
        finder.truncated = true;
        break;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        timedOut = true;
        break;
      }
      if (device.hasReport) finder.Look(store.Report(device));
    }
  }
  const bool truncated = finder.truncated;
  return Json{{"run", run},
              {"query", query},
              {"results", finder.Results()},
              {"truncated", truncated},
              {"timedOut", timedOut}};
}

}  // namespace web
