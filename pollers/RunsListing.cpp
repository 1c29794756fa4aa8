#include "pollers/RunsListing.h"

#include <rapidjson/ostreamwrapper.h>
#include <rapidjson/prettywriter.h>

std::string RunState(const store::RunOverview& run) {
  if (run.open) return "open";
  return run.run.finishedAt ? "finished" : "cut off";
}

void WriteRunsText(const std::vector<store::RunOverview>& runs,
                   const std::vector<store::PollerState>& pollers, std::ostream& out) {
  if (runs.empty()) out << "no runs\n";
  for (const store::RunOverview& run : runs) {
    out << "run " << run.run.id << "  " << RunState(run) << "  started " << run.run.startedAt;
    if (run.run.finishedAt) out << "  finished " << *run.run.finishedAt;
    out << "  " << run.run.inventory << "\n";
    for (const store::RegionCounts& region : run.regions) {
      out << "  " << (region.region.empty() ? "(no region)" : region.region) << ": " << region.ok
          << " done, " << region.notOk << " failed, " << region.running << " running, "
          << region.waiting << " waiting\n";
    }
    if (!run.statuses.empty()) {
      out << "  stored:";
      for (const auto& [status, count] : run.statuses) out << " " << count << " " << status;
      out << "\n";
    }
  }
  for (const store::PollerState& poller : pollers) {
    out << "poller " << poller.name << " (regions " << poller.regions << ") on " << poller.host
        << ", process " << poller.pid << ": " << (poller.alive ? "alive" : "silent")
        << ", last heartbeat " << poller.heartbeat << "\n";
  }
}

void WriteRunsJson(const std::vector<store::RunOverview>& runs,
                   const std::vector<store::PollerState>& pollers, std::ostream& out) {
  rapidjson::OStreamWrapper stream(out);
  rapidjson::PrettyWriter<rapidjson::OStreamWrapper> json(stream);
  json.SetIndent(' ', 2);
  const auto text = [&](const char* key, const std::string& value) {
    json.Key(key);
    json.String(value.c_str(), static_cast<rapidjson::SizeType>(value.size()));
  };
  const auto number = [&](const char* key, int64_t value) {
    json.Key(key);
    json.Int64(value);
  };
  json.StartObject();
  json.Key("runs");
  json.StartArray();
  for (const store::RunOverview& run : runs) {
    json.StartObject();
    number("id", run.run.id);
    text("state", RunState(run));
    text("startedAt", run.run.startedAt);
    json.Key("finishedAt");
    if (run.run.finishedAt) {
      json.String(run.run.finishedAt->c_str());
    } else {
      json.Null();
    }
    text("inventory", run.run.inventory);
    json.Key("regions");
    json.StartArray();
    for (const store::RegionCounts& region : run.regions) {
      json.StartObject();
      json.Key("region");
      if (region.region.empty()) {
        json.Null();
      } else {
        json.String(region.region.c_str());
      }
      number("done", region.ok);
      number("failed", region.notOk);
      number("running", region.running);
      number("waiting", region.waiting);
      json.EndObject();
    }
    json.EndArray();
    json.Key("stored");
    json.StartObject();
    for (const auto& [status, count] : run.statuses) number(status.c_str(), count);
    json.EndObject();
    json.EndObject();
  }
  json.EndArray();
  json.Key("pollers");
  json.StartArray();
  for (const store::PollerState& poller : pollers) {
    json.StartObject();
    text("name", poller.name);
    text("regions", poller.regions);
    text("host", poller.host);
    number("pid", poller.pid);
    text("lastHeartbeat", poller.heartbeat);
    json.Key("alive");
    json.Bool(poller.alive);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  out << "\n";
}
