#include "web/Answers.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <iomanip>
#include <sstream>
#include <type_traits>
#include <unordered_map>

#include "network/Graphviz.h"
#include "network/LabelPaths.h"
#include "network/NetworkDot.h"
#include "network/VpnMap.h"
#include "report/JsonReport.h"
#include "web/Search.h"

namespace web {
namespace {

// The most rows of a device's lists other than its label entries and impositions.
const size_t kMostRows = 2000;

struct Refusal {
  int status;
  std::string message;
};

int64_t Number(const Query& query, const std::string& name, int64_t fallback, int64_t low,
               int64_t high) {
  const auto found = query.find(name);
  if (found == query.end() || found->second.empty()) return fallback;
  const std::string& text = found->second;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    throw Refusal{400, name + " must be a number from " + std::to_string(low) + " to " +
                           std::to_string(high)};
  }
  return value;
}

std::string Text(const Query& query, const std::string& name) {
  const auto found = query.find(name);
  return found == query.end() ? std::string() : found->second;
}

// The page of a list the query asks for: offset and limit, the limit bounded.
void Page(const Query& query, int64_t fallback, int64_t most, Answer& answer) {
  answer.offset = Number(query, "offset", 0, 0, INT32_MAX);
  answer.limit = Number(query, "limit", fallback, 1, most);
}

template <typename List>
void CutToPage(List& list, Answer& answer) {
  answer.total = static_cast<int64_t>(list.size());
  const auto begin = std::min<size_t>(list.size(), answer.offset);
  const auto end = std::min<size_t>(list.size(), begin + answer.limit);
  List page{};
  if constexpr (std::is_same_v<List, Json>) page = Json::array();
  for (size_t i = begin; i < end; ++i) page.push_back(std::move(list[i]));
  list = std::move(page);
}

store::StoredRun KnownRun(StoreReader& store, int64_t id) {
  const std::optional<store::StoredRun> run = store.Run(id);
  if (!run) throw Refusal{404, "the store has no run " + std::to_string(id)};
  return *run;
}

// Seconds between two of the store's UTC times, none when either is missing.
std::optional<int64_t> SecondsBetween(const std::string& start,
                                      const std::optional<std::string>& end) {
  auto parse = [](const std::string& text) -> std::optional<time_t> {
    std::tm when{};
    std::istringstream in(text);
    in >> std::get_time(&when, "%Y-%m-%d %H:%M:%S");
    if (in.fail()) return std::nullopt;
    return timegm(&when);
  };
  if (!end) return std::nullopt;
  const auto a = parse(start), b = parse(*end);
  if (!a || !b) return std::nullopt;
  return static_cast<int64_t>(*b - *a);
}

template <typename Build>
Answer Answered(Build build) {
  try {
    return build();
  } catch (const Refusal& refusal) {
    Answer answer;
    answer.status = refusal.status;
    answer.message = refusal.message;
    answer.data = Json{{"error", refusal.message}};
    return answer;
  }
}

Json Parsed(const std::string& json) { return Json::parse(json); }

// Devices that came, went or changed status since the run before; what
// changed inside them is the diff's to say (it reads every report of both runs).
Json SincePrevious(const std::vector<store::StoredDevice>& now,
                   const std::vector<store::StoredDevice>& before) {
  std::map<std::string, std::string> then;
  for (const store::StoredDevice& device : before) then[device.name] = device.status;
  int64_t appeared = 0, statusChanged = 0, stayed = 0;
  for (const store::StoredDevice& device : now) {
    const auto found = then.find(device.name);
    if (found == then.end()) {
      ++appeared;
    } else {
      ++stayed;
      if (found->second != device.status) ++statusChanged;
    }
  }
  return Json{{"appeared", appeared},
              {"disappeared", static_cast<int64_t>(then.size()) - stayed},
              {"statusChanged", statusChanged}};
}

// The device's report with the page of label entries the answer asks for,
// its lists bounded (their lengths in `lengths`).
Json BoundedReport(StoreReader& store, const store::StoredDevice& device, const Answer& answer,
                   int64_t impositionLimit, Json& lengths) {
  report::Report found = store.Report(device, answer.offset, answer.limit);
  // A VRF of a large router has thousands of impositions: the first of each.
  for (report::Vrf& vrf : found.vrfs) {
    if (vrf.impositions && static_cast<int64_t>(vrf.impositions->size()) > impositionLimit) {
      vrf.impositions->resize(impositionLimit);
    }
  }
  // The other lists are short on any router seen so far; a bound all the same.
  auto bound = [&](auto& list, const char* what) {
    lengths[what] = list.size();
    if (list.size() > kMostRows) list.resize(kMostRows);
  };
  bound(found.virtualRouters, "virtualRouters");
  bound(found.vrfs, "vrfs");
  bound(found.interfaces, "interfaces");
  bound(found.ipAddresses, "ipAddresses");
  bound(found.warnings, "warnings");
  bound(found.errors, "errors");
  // The store keeps the health's verdict with the device, not its counts.
  found.health.status = device.status == "failed" ? report::HealthStatus::kFailed
                        : device.status == "ok"   ? report::HealthStatus::kOk
                                                  : report::HealthStatus::kPartial;
  if (!device.problem.empty()) found.health.problems = {device.problem};
  std::ostringstream json;
  WriteJsonReport(found, json);
  return Parsed(json.str());
}

// The runs the device was in, newest first, looked for among the last 200 runs.
Json History(StoreReader& store, const std::string& name) {
  Json history = Json::array();
  for (const store::StoredRun& other : store.Runs(0, 200)) {
    for (const store::StoredDevice& d : store.Devices(other.id)) {
      if (d.name != name) continue;
      const std::optional<int64_t> before = store.FinishedRunBefore(other.id);
      history.push_back(Json{{"run", other.id},
                             {"startedAt", other.startedAt},
                             {"status", d.status},
                             {"problem", d.problem},
                             {"previous", before ? Json(*before) : Json(nullptr)}});
    }
    if (history.size() >= 20) break;
  }
  return history;
}

}  // namespace

Json RunJson(const store::StoredRun& run) {
  return Json{{"id", run.id},
              {"startedAt", run.startedAt},
              {"finishedAt", run.finishedAt ? Json(*run.finishedAt) : Json(nullptr)},
              {"inventory", run.inventory}};
}

Answer RunsAnswer(StoreReader& store, const Query& query) {
  return Answered([&] {
    Answer answer;
    Page(query, 20, 100, answer);
    answer.total = store.CountRuns();
    std::unordered_map<int64_t, std::vector<store::StoredDevice>> devicesOf;
    auto devices = [&](int64_t run) -> const std::vector<store::StoredDevice>& {
      auto found = devicesOf.find(run);
      if (found == devicesOf.end()) found = devicesOf.emplace(run, store.Devices(run)).first;
      return found->second;
    };
    Json runs = Json::array();
    for (const store::StoredRun& run : store.Runs(answer.offset, answer.limit)) {
      Json row = RunJson(run);
      const std::optional<int64_t> seconds = SecondsBetween(run.startedAt, run.finishedAt);
      row["seconds"] = seconds ? Json(*seconds) : Json(nullptr);
      std::map<std::string, int64_t> byStatus;
      for (const store::StoredDevice& device : devices(run.id)) ++byStatus[device.status];
      row["devices"] = Json{{"total", devices(run.id).size()}, {"byStatus", byStatus}};
      const std::optional<int64_t> before = store.FinishedRunBefore(run.id);
      row["previous"] = before ? Json(*before) : Json(nullptr);
      row["sincePrevious"] =
          before ? SincePrevious(devices(run.id), devices(*before)) : Json(nullptr);
      runs.push_back(std::move(row));
    }
    answer.data = Json{{"runs", std::move(runs)},
                       {"offset", answer.offset},
                       {"limit", answer.limit},
                       {"total", answer.total}};
    return answer;
  });
}

// A device's region; null when its inventory gave none.
Json RegionJson(const store::StoredDevice& device) {
  return device.region.empty() ? Json(nullptr) : Json(device.region);
}

Answer RunAnswer(StoreReader& store, int64_t runId, const Query& query) {
  return Answered([&] {
    Answer answer;
    Page(query, 200, 1000, answer);
    const store::StoredRun run = KnownRun(store, runId);
    const std::string status = Text(query, "status");
    const std::string name = Text(query, "name");
    const std::string region = Text(query, "region");
    std::vector<store::StoredDevice> devices = store.Devices(runId);
    std::map<std::string, int64_t> byStatus, byRegion;
    for (const store::StoredDevice& device : devices) {
      ++byStatus[device.status];
      if (!device.region.empty()) ++byRegion[device.region];
    }
    devices.erase(std::remove_if(devices.begin(), devices.end(),
                                 [&](const store::StoredDevice& device) {
                                   return (!status.empty() && device.status != status) ||
                                          (!region.empty() && device.region != region) ||
                                          device.name.find(name) == std::string::npos;
                                 }),
                  devices.end());
    CutToPage(devices, answer);
    Json rows = Json::array();
    for (const store::StoredDevice& device : devices) {
      const store::DeviceSizes sizes = store.Sizes(device);
      rows.push_back(Json{{"name", device.name},
                          {"source", device.source},
                          {"region", RegionJson(device)},
                          {"status", device.status},
                          {"problem", device.problem},
                          {"seconds", sizes.seconds},
                          {"discovered", device.hasReport},
                          {"labelEntries", sizes.labelEntries},
                          {"vrfs", sizes.vrfs},
                          {"impositions", sizes.impositions}});
    }
    const std::optional<int64_t> before = store.FinishedRunBefore(runId);
    answer.data = Json{{"run", RunJson(run)},
                       {"previous", before ? Json(*before) : Json(nullptr)},
                       {"byStatus", byStatus},
                       {"byRegion", byRegion},
                       {"filter", Json{{"status", status}, {"name", name}, {"region", region}}},
                       {"devices", std::move(rows)},
                       {"offset", answer.offset},
                       {"limit", answer.limit},
                       {"total", answer.total}};
    return answer;
  });
}

Answer DeviceAnswer(StoreReader& store, int64_t runId, const std::string& name,
                    const Query& query) {
  return Answered([&] {
    Answer answer;
    Page(query, 100, 1000, answer);
    const store::StoredRun run = KnownRun(store, runId);
    const std::vector<store::StoredDevice> devices = store.Devices(runId);
    const auto device = std::find_if(devices.begin(), devices.end(),
                                     [&](const store::StoredDevice& d) { return d.name == name; });
    if (device == devices.end()) {
      throw Refusal{404, "run " + std::to_string(runId) + " has no device " + name};
    }
    const int64_t impositionLimit = Number(query, "impositions", 20, 0, 100000);
    const store::DeviceSizes sizes = store.Sizes(*device);
    answer.total = sizes.labelEntries;
    Json lengths = Json::object();
    Json report = device->hasReport
                      ? BoundedReport(store, *device, answer, impositionLimit, lengths)
                      : Json(nullptr);
    Json history = History(store, name);
    answer.data =
        Json{{"run", RunJson(run)},
             {"device", Json{{"name", device->name},
                             {"source", device->source},
                             {"region", RegionJson(*device)},
                             {"status", device->status},
                             {"problem", device->problem},
                             {"seconds", sizes.seconds}}},
             {"report", std::move(report)},
             {"labelEntries",
              Json{{"offset", answer.offset}, {"limit", answer.limit}, {"total", answer.total}}},
             {"impositions", Json{{"limitPerVrf", impositionLimit}, {"total", sizes.impositions}}},
             {"lengths", std::move(lengths)},
             {"history", std::move(history)}};
    return answer;
  });
}

Answer SearchAnswer(StoreReader& store, const Query& query) {
  return Answered([&] {
    Answer answer;
    answer.limit = Number(query, "limit", 200, 1, 1000);
    std::optional<int64_t> runId;
    if (!Text(query, "run").empty()) {
      runId = Number(query, "run", 0, 1, INT64_MAX);
      KnownRun(store, *runId);
    } else {
      runId = store.LastFinishedRun();
      if (!runId) throw Refusal{404, "the store holds no finished run"};
    }
    const std::string words = Text(query, "q");
    if (words.size() > 200) throw Refusal{400, "a search is at most 200 characters"};
    answer.data = SearchRun(store, *runId, words, answer.limit);
    answer.total = static_cast<int64_t>(answer.data["results"].size());
    return answer;
  });
}

namespace {

std::string Title(const store::StoredRun& run, const std::string& what) {
  return what + ", run " + std::to_string(run.id) + " (" + run.startedAt + ")";
}

bool HasRouter(const network::NetworkRun& run, const std::string& device) {
  return std::any_of(run.routers.begin(), run.routers.end(),
                     [&](const report::Report& r) { return r.device == device; });
}

network::LabelPaths Paths(StoreReader& store, int64_t runId, const Query& query,
                          network::NetworkRun& run, std::string& title) {
  const store::StoredRun stored = KnownRun(store, runId);
  run = store.Network(runId);
  network::LabelPaths found = network::FollowLabelPaths(run.routers);
  title = Title(stored, "Label paths");
  const std::string device = Text(query, "device");
  if (!device.empty()) {
    if (!HasRouter(run, device)) {
      throw Refusal{404, "run " + std::to_string(runId) + " has no discovered device " + device};
    }
    network::KeepPathsThrough(found, run.routers, device);
    title += " through " + device;
  }
  return found;
}

Answer Svg(const std::string& dot) {
  Answer answer;
  if (Status drawn = network::RenderSvg(dot, answer.text); !drawn.ok()) {
    throw Refusal{500, drawn.message()};
  }
  return answer;
}

bool NamesDevice(const Json& vrfs, const std::string& device) {
  return std::any_of(vrfs.begin(), vrfs.end(),
                     [&](const Json& vrf) { return vrf["device"] == device; });
}

}  // namespace

Answer PathsAnswer(StoreReader& store, int64_t runId, const Query& query) {
  return Answered([&] {
    Answer answer;
    Page(query, 1000, 100000, answer);
    network::NetworkRun run;
    std::string title;
    const network::LabelPaths found = Paths(store, runId, query, run, title);
    std::ostringstream json;
    network::WritePathsJson(runId, run.routers, found, json);
    answer.data = Parsed(json.str());
    CutToPage(answer.data["paths"], answer);
    return answer;
  });
}

Answer PathsPicture(StoreReader& store, int64_t runId, const Query& query) {
  return Answered([&] {
    network::NetworkRun run;
    std::string title;
    const network::LabelPaths found = Paths(store, runId, query, run, title);
    return Svg(network::PathsDot(run.routers, found, title));
  });
}

Answer VpnsAnswer(StoreReader& store, int64_t runId, const Query& query) {
  return Answered([&] {
    Answer answer;
    Page(query, 1000, 100000, answer);
    KnownRun(store, runId);
    const network::NetworkRun run = store.Network(runId);
    std::ostringstream json;
    network::WriteVpnsJson(runId, network::MapVpns(run.routers), json);
    answer.data = Parsed(json.str());
    const std::string device = Text(query, "device");
    if (!device.empty()) {
      if (!HasRouter(run, device)) {
        throw Refusal{404, "run " + std::to_string(runId) + " has no discovered device " + device};
      }
      auto keep = [&](Json& list, auto touches) {
        Json kept = Json::array();
        for (Json& item : list) {
          if (touches(item)) kept.push_back(std::move(item));
        }
        list = std::move(kept);
      };
      keep(answer.data["routeTargets"], [&](const Json& target) {
        return NamesDevice(target["exporters"], device) || NamesDevice(target["importers"], device);
      });
      keep(answer.data["vpns"], [&](const Json& vpn) { return NamesDevice(vpn["vrfs"], device); });
      keep(answer.data["findings"],
           [&](const Json& finding) { return NamesDevice(finding["vrfs"], device); });
    }
    // The route targets are the long list; the other two are cut to the same limit.
    CutToPage(answer.data["routeTargets"], answer);
    for (const char* list : {"vpns", "findings"}) {
      Json& items = answer.data[list];
      if (items.size() > static_cast<size_t>(answer.limit)) {
        items.erase(items.begin() + answer.limit, items.end());
      }
    }
    return answer;
  });
}

Answer VpnsPicture(StoreReader& store, int64_t runId, const Query&) {
  return Answered([&] {
    const store::StoredRun stored = KnownRun(store, runId);
    const network::NetworkRun run = store.Network(runId);
    return Svg(network::VpnsDot(network::MapVpns(run.routers), Title(stored, "VPNs")));
  });
}

Answer DiffAnswer(StoreReader& store, const Query& query) {
  return Answered([&] {
    Answer answer;
    Page(query, 500, 10000, answer);
    if (Text(query, "a").empty() || Text(query, "b").empty()) {
      throw Refusal{400, "name the two runs to compare: /diff?a=N&b=M"};
    }
    const int64_t a = Number(query, "a", 0, 1, INT64_MAX);
    const int64_t b = Number(query, "b", 0, 1, INT64_MAX);
    KnownRun(store, a);
    KnownRun(store, b);
    answer.data = Parsed(store.Diff(a, b, "json"));
    // The text: its first line, then a block per device (its line and its
    // changes, indented), in the order of the JSON's devices.
    std::istringstream lines(store.Diff(a, b, "text"));
    std::string line;
    std::getline(lines, answer.text);
    std::vector<std::string> blocks;
    while (std::getline(lines, line)) {
      if (blocks.empty() || (!line.empty() && line[0] != ' ')) blocks.emplace_back();
      blocks.back() += line + "\n";
    }
    Json& devices = answer.data["devices"];
    if (blocks.size() != devices.size()) blocks.assign(devices.size(), "");  // "no changes"
    const std::string device = Text(query, "device");
    if (!device.empty()) {
      Json kept = Json::array();
      std::vector<std::string> keptBlocks;
      for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i]["device"] != device) continue;
        kept.push_back(std::move(devices[i]));
        keptBlocks.push_back(std::move(blocks[i]));
      }
      devices = std::move(kept);
      blocks = std::move(keptBlocks);
    }
    CutToPage(devices, answer);
    CutToPage(blocks, answer);
    answer.blocks = std::move(blocks);
    return answer;
  });
}

}  // namespace web
