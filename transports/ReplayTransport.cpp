#include "transports/ReplayTransport.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "host/KelSnmp.h"
#include "readers/VirtualRouterCommand.h"
#include "status/Result.h"

namespace fs = std::filesystem;

namespace {

// Far more than any router prints: a larger file is not a capture, and
// reading it would only exhaust memory.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{256} << 20;

// The whole file in one piece; a failure when it cannot be read or is too
// large.
Result<std::string> ReadFile(const fs::path& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  if (error) {
    return Status::Failure("cannot read " + path.string());
  }
  if (size > kMaxFileBytes) {
    return Status::Failure(path.string() + " is " + std::to_string(size >> 20) +
                           " MiB, more than the 256 MiB a capture file may have");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return Status::Failure("cannot read " + path.string());
  }
  std::string text;
  text.resize(static_cast<size_t>(size));
  in.read(text.data(), static_cast<std::streamsize>(size));
  text.resize(static_cast<size_t>(in.gcount()));
  if (in.bad()) {
    return Status::Failure("cannot read " + path.string());
  }
  return text;
}

std::string FolderName(const fs::path& dir) {
  fs::path normal = dir.lexically_normal();
  if (normal.filename().empty()) normal = normal.parent_path();
  return normal.filename().string();
}

}  // namespace

Status ReplayTransport::Load(const std::string& dir) {
  const fs::path folder(dir);
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    return Status::Failure(fs::exists(folder, error)
                               ? dir + " is not a folder"
                               : "no captured device at " + dir + ": no such folder");
  }
  const fs::path cliLog = folder / "cli.log";
  if (!fs::exists(cliLog, error)) {
    return Status::Failure("no captured device at " + dir + ": the folder has no cli.log");
  }
  {
    const Result<std::string> log = ReadFile(cliLog);
    if (!log.ok()) return log.status();
    cli_ = ParseCliLog(log.value());
  }
  if (cli_.host.empty())
    warnings_.push_back(cliLog.string() + ": no prompt line, no command captured");
  health_ = TransportHealth();
  health_.capture = true;
  health_.cli.source = cliLog.string();
  health_.snmp.source = dir;
  health_.cli.holdsCommands = !cli_.replies.empty();
  name_ = cli_.host.empty() ? FolderName(folder) : cli_.host;

  if (fs::exists(folder / "snmp.walk", error)) LoadWalk((folder / "snmp.walk").string(), "");
  std::vector<fs::path> contextWalks;
  if (fs::is_directory(folder / "snmp", error)) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder / "snmp", error)) {
      if (entry.path().extension() == ".walk") contextWalks.push_back(entry.path());
    }
  }
  std::sort(contextWalks.begin(), contextWalks.end());
  for (const fs::path& path : contextWalks) LoadWalk(path.string(), "@" + path.stem().string());
  return Status();
}

void ReplayTransport::LoadWalk(const std::string& path, const std::string& context) {
  const Result<std::string> text = ReadFile(path);
  if (!text.ok()) {
    warnings_.push_back(text.message());
    return;
  }
  walks_[context] = ParseSnmpWalk(text.value(), path, warnings_);
}

CKelAtomVector* ReplayTransport::RunCommands(CKelRecord*,
                                             const std::vector<std::string>& commands) {
  auto* replies = new CKelAtomVector(static_cast<unsigned int>(commands.size()));
  VirtualRouterFollower follower;
  for (const std::string& command : commands) {
    const char* text = nullptr;
    if (follower.Follow(command)) {
      // Switching prints nothing; the capture only tells whether the context exists.
      if (cli_.contexts.count(follower.Router())) text = "";
    } else if (const std::string* reply = cli_.Reply(follower.Router(), command)) {
      text = reply->c_str();
    }
    ++health_.cli.sent;
    ++(text ? health_.cli.answered : health_.cli.refused);
    replies->RAVAddToEnd(new CKelAtom(text));
  }
  return replies;
}

CKelDoubleList* ReplayTransport::Walk(CKelRecord*, const char* variable,
                                      const std::string& context) {
  auto file = walks_.find(context);
  if (!variable) return nullptr;
  if (file == walks_.end()) {
    ++health_.snmp.walksUnanswered;
    health_.snmp.contextsSilent.insert(context);
    return nullptr;
  }
  ++health_.snmp.walksAnswered;
  health_.snmp.contextsAnswered.insert(context);
  auto column = file->second.find(variable);
  if (column == file->second.end() || column->second.empty()) return nullptr;
  auto* list = new CKelDoubleList;
  for (const WalkRow& row : column->second) {
    CKelAtom* value = row.isInt ? new CKelAtom(row.intValue) : new CKelAtom(row.text.c_str());
    list->RDLAddToListEnd(new CKelSnmpVarOp(variable, row.instance, value));
  }
  return list;
}
