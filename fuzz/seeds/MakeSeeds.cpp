// Writes the fuzz targets' seed inputs, cut from the captured devices:
//
//   fuzz_make_seeds DEVICES_DIR OUT_DIR      -> OUT_DIR/TARGET/NAME
//
// Each target's seeds follow its input format (see the target's source): the
// devices' CLI replies per parser, their logs and walks as files, report
// texts from their log lines, and the agent's own kind of expressions on
// their replies.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "captures/CliCapture.h"
#include "captures/SnmpWalkFile.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class Seeds {
 public:
  explicit Seeds(fs::path out) : out_(std::move(out)) {}
  void Add(const std::string& target, const std::string& name, const std::string& input) {
    fs::create_directories(out_ / target);
    std::ofstream(out_ / target / name, std::ios::binary) << input;
  }

 private:
  fs::path out_;
};

std::string Joined(const std::vector<std::string>& parts) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) joined += (i ? std::string(1, '\0') : "") + parts[i];
  return joined;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The agent's parser for a command (the modes of agent_replies_fuzzer), or -1.
int ParserOf(const std::string& command) {
  if (command == "show mpls interface") return 0;
  if (command == "show mpls forwarding brief") return 1;
  if (command == "show ip vrf detail") return 2;
  if (StartsWith(command, "show ip bgp vpnv4 vrf ")) return 3;
  if (StartsWith(command, "show ip route vrf ")) {
    return command.size() > 7 && command.compare(command.size() - 7, 7, " detail") == 0 ? 5 : 4;
  }
  return -1;
}

std::string WordAfter(const std::string& text, const std::string& marker) {
  const size_t at = text.find(marker);
  if (at == std::string::npos) return "";
  std::istringstream rest(text.substr(at + marker.size()));
  std::string word;
  rest >> word;
  return word;
}

// Shapes and expressions of the agent's own parsers.
const char* const kExpressions[] = {
    "(^|\n)Interface +",         "[^ ]+",
    " +(Up|Down)[ ]*",           "([0-9]{1,3}\\.){3}[0-9]{1,3}",
    "(/[0-9]{1,2})? *\n",        "[[:space:]]+on[[:space:]]+(tun +)*",
    "( +nbr[[:space:]]+)*",      "[^\n\r]+([\n\r]+ {20}.{30} {5,}[^\n\r]+)?",
    "[^\n]+(\n[^[:space:]]+)?",  "(^|\n)Indirect\x01\n +MPLS\x01\n +Reachable",
    "(In|Out)[[:space:]]+[0-9]+"};

// Each walk of the device, and its interfaces' descriptions with their types.
void WalkSeeds(const fs::path& device, const std::string& name, Seeds& seeds) {
  std::vector<fs::path> walks{device / "snmp.walk"};
  if (fs::is_directory(device / "snmp")) {
    for (const auto& entry : fs::directory_iterator(device / "snmp")) walks.push_back(entry.path());
  }
  std::sort(walks.begin(), walks.end());
  for (const fs::path& walk : walks) {
    const std::string text = Read(walk);
    seeds.Add("snmp_walk", name + "-" + walk.stem().string(), text);
    std::vector<std::string> warnings;
    const WalkColumns columns = ParseSnmpWalk(text, walk.string(), warnings);
    const auto descrs = columns.find("ifDescr");
    const auto types = columns.find("ifType");
    for (size_t i = 0; descrs != columns.end() && types != columns.end() &&
                       i < std::min(descrs->second.size(), types->second.size());
         ++i) {
      const char ifType = static_cast<char>(types->second[i].intValue);
      seeds.Add("host_text", name + "-" + walk.stem().string() + "-ifdescr" + std::to_string(i),
                std::string(1, '\x02') + ifType + descrs->second[i].text);
    }
  }
}

void DeviceSeeds(const fs::path& device, Seeds& seeds) {
  const std::string name = device.filename().string();
  const std::string log = Read(device / "cli.log");
  seeds.Add("cli_capture", name, log);

  std::vector<std::string> deviceParts{log, Read(device / "snmp.walk"),
                                       Read(device / "snmp/default.walk"),
                                       Read(device / "snmp/default:red.walk")};
  seeds.Add("captured_device", name, Joined(deviceParts));

  WalkSeeds(device, name, seeds);

  const CliCapture capture = ParseCliLog(log);
  std::vector<std::string> vrfLists;
  int n = 0;
  for (const auto& [key, reply] : capture.replies) {
    const auto& [context, command] = key;
    const std::string id = name + "-" + std::to_string(n++);
    if (command == "show virtual-router") vrfLists.insert(vrfLists.begin(), reply);
    if (command == "show ip vrf") vrfLists.push_back(reply);
    if (command == "show mpls forwarding brief") seeds.Add("label_table", id, reply);
    const int parser = ParserOf(command);
    if (parser < 0) continue;
    std::string input = std::string(1, static_cast<char>(parser)) + reply;
    if (parser == 5) input.insert(1, WordAfter(reply, "NHop:") + "\n");
    seeds.Add("agent_replies", id, input);
    if (parser == 2) seeds.Add("host_text", id + "-vrfdetail", std::string(1, '\0') + reply);
    if (parser == 4) seeds.Add("host_text", id + "-wrapped", std::string(1, '\x03') + reply);
    const std::string sample = reply.substr(0, 160);
    for (size_t e = 0; e < sizeof kExpressions / sizeof *kExpressions; e += 1 + n % 3) {
      seeds.Add("posix_regex", id + "-" + std::to_string(e),
                std::string(kExpressions[e]) + '\0' + sample);
    }
  }
  seeds.Add("host_text", name + "-lists", std::string(1, '\x01') + Joined(vrfLists));

  // The whole default virtual router, with the replies of its first VRF.
  std::vector<std::string> whole(6);
  for (const auto& [key, reply] : capture.replies) {
    const int parser = ParserOf(key.second);
    if (key.first == "default" && parser >= 0 && whole[parser].empty()) whole[parser] = reply;
  }
  seeds.Add("agent_replies", name + "-whole", std::string(1, '\x06') + Joined(whole));

  std::vector<std::string> report{std::string("\x02\x01\x01\x02\x03\x02\x01\x01\x03\x01", 10)};
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line) && report.size() < 40;) {
    if (!line.empty()) report.push_back(line);
  }
  seeds.Add("text_report", name, Joined(report));
  seeds.Add("json_report", name, Joined(report));
  seeds.Add("report_wire", name, Joined(report));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fuzz_make_seeds DEVICES_DIR OUT_DIR\n";
    return 2;
  }
  Seeds seeds{fs::path(argv[2])};
  std::vector<fs::path> devices;
  for (const auto& entry : fs::directory_iterator(argv[1])) {
    if (fs::exists(entry.path() / "cli.log")) devices.push_back(entry.path());
  }
  std::sort(devices.begin(), devices.end());
  for (const fs::path& device : devices) DeviceSeeds(device, seeds);
  // The store's reader: no edit, and an entry of the label table given the
  // module's entry's in-interfaces (edit: update, table 4, row 0, column 14, text).
  seeds.Add("store_rows", "no-edit", "");
  seeds.Add("store_rows", "layout", std::string("\x00\x04\x00\x0e\x04\x0blabel-table", 17));
  return devices.empty() ? 1 : 0;
}
