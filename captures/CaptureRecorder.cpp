#include "captures/CaptureRecorder.h"

#include <filesystem>

#include "files/WholeFile.h"

namespace fs = std::filesystem;

namespace {

bool WriteFile(const fs::path& path, const std::string& text, std::string& problem) {
  if (files::WriteWholeFile(path.string(), text, problem)) return true;
  problem = "cannot write " + path.string() + ": " + problem;
  return false;
}

// Context names come from the router; one that names a folder must not write
// outside the capture.
bool IsFileName(const std::string& name) {
  return name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

}  // namespace

void CaptureRecorder::Command(const std::string& prompt, const std::string& command,
                              const std::string& reply) {
  cliLog_ += prompt + command + "\n" + reply;
  if (!reply.empty() && reply.back() != '\n') cliLog_ += '\n';
}

void CaptureRecorder::Walk(const std::string& context, const std::string& columnOid,
                           const std::vector<SnmpRow>& rows) {
  if (!walked_.insert({context, columnOid}).second) return;
  std::string& lines = walks_[context];
  for (const SnmpRow& row : rows) lines += SnmpWalkLine(columnOid, row) + "\n";
}

bool CaptureRecorder::Save(const std::string& dir, std::string& problem) const {
  std::error_code error;
  fs::create_directories(fs::path(dir) / "snmp", error);
  if (error) {
    problem = "cannot make the capture folder " + dir + ": " + error.message();
    return false;
  }
  std::string log = cliLog_;
  if (!lastPrompt_.empty()) log += lastPrompt_ + "\n";
  if (!WriteFile(fs::path(dir) / "cli.log", log, problem)) return false;
  for (const auto& walk : walks_) {
    const std::string& context = walk.first;
    if (!context.empty() && !IsFileName(context.substr(1))) continue;
    const fs::path file = context.empty() ? fs::path(dir) / "snmp.walk"
                                          : fs::path(dir) / "snmp" / (context.substr(1) + ".walk");
    if (!WriteFile(file, walk.second, problem)) return false;
  }
  return true;
}
