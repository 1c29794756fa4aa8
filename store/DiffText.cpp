#include <map>
#include <string>

#include "report/ReportText.h"
#include "store/DiffWriters.h"

namespace store {
namespace {

// The words of a value's name in a line of text.
std::string Words(const std::string& name) {
  static const std::map<std::string, std::string> kWords = {
      {"routeDistinguisher", "route distinguisher"},
      {"importRouteTargets", "import"},
      {"exportRouteTargets", "export"},
      {"outLabel", "out label"},
      {"outInterface", "out interface"},
      {"outIfIndex", "out ifIndex"},
      {"nextHop", "next hop"},
      {"lspName", "LSP"},
      {"inInterfaces", "in interfaces"},
      {"pushLabels", "pushed labels"},
      {"actionText", "action text"}};
  const auto found = kWords.find(name);
  return found != kWords.end() ? found->second : name;
}

// On one line whatever the router put in it; "none" when it had nothing.
std::string Shown(const std::optional<std::string>& text) {
  if (!text || text->empty()) return "none";
  std::string shown;
  AppendReadable(shown, *text);
  return shown;
}

std::string KeyText(const Values& key, const char* name) {
  for (const Value& value : key) {
    if (value.name == name) return Shown(value.text);
  }
  return "none";
}

std::string Subject(const Change& c) {
  const std::string vrf = KeyText(c.key, "virtualRouter") + "/" + KeyText(c.key, "vrf");
  if (c.kind == "vrf") return "vrf " + vrf;
  if (c.kind == "routeTarget") {
    return "route target " + vrf + " " + KeyText(c.key, "direction") + " " +
           KeyText(c.key, "routeTarget");
  }
  if (c.kind == "vrfInterface") return "vrf interface " + vrf + " " + KeyText(c.key, "interface");
  if (c.kind == "labelEntry") {
    std::string subject = "label entry " + KeyText(c.key, "virtualRouter") + "/";
    std::string space;
    for (const Value& value : c.key) {
      if (value.name == "inLabel" || value.name == "inInterface") subject += Shown(value.text);
      if (value.name == "labelSpace") space = Shown(value.text);
    }
    // The one label space of most routers goes without saying.
    if (!space.empty() && space != "Platform label space") subject += " in " + space;
    return subject;
  }
  return "imposition " + vrf + " " + KeyText(c.key, "destination") + " via " +
         KeyText(c.key, "nextHop");
}

std::string Details(const Change& c) {
  std::string details;
  const auto add = [&](const std::string& part) {
    details += (details.empty() ? "" : ", ") + part;
  };
  if (c.change == "changed") {
    for (size_t i = 0; i < c.before.size(); ++i) {
      add(Words(c.before[i].name) + " " + Shown(c.before[i].text) + " -> " +
          Shown(c.after[i].text));
    }
  } else {
    for (const Value& value : c.change == "added" ? c.after : c.before)
      add(Words(value.name) + " " + Shown(value.text));
  }
  return details;
}

char Marker(const std::string& change) {
  if (change == "added" || change == "appeared") return '+';
  if (change == "removed" || change == "disappeared") return '-';
  return '~';
}

std::string RunText(const StoredRun& run) {
  return "run " + std::to_string(run.id) + " (started " + run.startedAt +
         (run.finishedAt ? "" : ", not finished") + ")";
}

class TextDiffWriter : public DiffWriter {
 public:
  explicit TextDiffWriter(std::ostream& out) : out_(out) {}

  void Runs(const StoredRun& before, const StoredRun& after) override {
    out_ << RunText(before) << " -> " << RunText(after) << "\n";
  }

  void Device(const DeviceDiff& d) override {
    any_ = true;
    out_ << Marker(d.change) << ' ' << Shown(d.device) << ": ";
    if (d.change == "failed") {
      out_ << "failed in run " << d.failedRun << " (" << Shown(d.status) << ")";
      if (!d.problem.empty()) out_ << ": " << Shown(d.problem);
      out_ << "\n";
      return;
    }
    if (d.change != "changed") {
      out_ << d.change << "\n";
      return;
    }
    out_ << d.changes.size() << (d.changes.size() == 1 ? " change\n" : " changes\n");
    for (const Change& c : d.changes) {
      const std::string details = Details(c);
      out_ << "  " << Marker(c.change) << ' ' << Subject(c) << (details.empty() ? "" : ": ")
           << details << "\n";
    }
  }

  void End() override {
    if (!any_) out_ << "no changes\n";
  }

 private:
  std::ostream& out_;
  bool any_ = false;
};

}  // namespace

std::unique_ptr<DiffWriter> MakeTextDiffWriter(std::ostream& out) {
  return std::make_unique<TextDiffWriter>(out);
}

}  // namespace store
