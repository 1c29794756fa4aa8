#include "captures/CaptureRecorder.h"

#include <filesystem>

#include "files/WholeFile.h"

namespace fs = std::filesystem;

namespace {

Status WriteFile(const fs::path& path, const std::string& text) {
  return files::WriteWholeFile(path.string(), text)
      .Prefixed("cannot write " + path.string() + ": ");
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

Status CaptureRecorder::Save(const std::string& dir) const {
  std::error_code error;
  fs::create_directories(fs::path(dir) / "snmp", error);
  if (error)
    return Status::Failure("cannot make the capture folder " + dir + ": " + error.message());
  std::string log = cliLog_;
  if (!lastPrompt_.empty()) log += lastPrompt_ + "\n";
  if (Status written = WriteFile(fs::path(dir) / "cli.log", log); !written.ok()) return written;
  for (const auto& walk : walks_) {
    const std::string& context = walk.first;
    if (!context.empty() && !IsFileName(context.substr(1))) continue;
    const fs::path file = context.empty() ? fs::path(dir) / "snmp.walk"
                                          : fs::path(dir) / "snmp" / (context.substr(1) + ".walk");
    if (Status written = WriteFile(file, walk.second); !written.ok()) return written;
  }
  return Status();
}
