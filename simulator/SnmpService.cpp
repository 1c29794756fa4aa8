#include "simulator/SnmpService.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "simulator/Snmprec.h"
#include "transports/SnmpWalker.h"

namespace fs = std::filesystem;

namespace {

const char kNoContextFile[] = "1.3.6.1.6.1.1.0";  // snmpUDPDomain, endpoint 0

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A new file, with `mode` from the moment it exists: the argument file holds
// the SNMPv3 keys, and no other user may catch it readable for an instant.
bool WriteFile(const fs::path& path, const std::string& text, mode_t mode) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  // fchmod as well: open's mode passes through the umask.
  const bool done = written == text.size() && fchmod(fd, mode) == 0;
  return close(fd) == 0 && done;
}

// A folder only snmpsim may look into. Run as root, snmpsim drops to nobody,
// so the folder becomes nobody's.
std::string PrivateDir() {
  std::string path = (fs::temp_directory_path() / "erx-simulator-XXXXXX").string();
  if (!mkdtemp(&path[0])) return "";
  const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
  if (nobody && chown(path.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
    rmdir(path.c_str());
    return "";
  }
  return path;
}

// The watchdog's life after fork (async-signal-safe calls only: the parent
// may have threads). It becomes a shell with an empty environment, so that
// none of our secrets stays readable in it.
[[noreturn]] void Watch(int pipeEnd, const char* const* argv) {
  signal(SIGINT, SIG_IGN);  // a terminal's ^C is for the simulator to handle
  dup2(pipeEnd, STDIN_FILENO);
  const int devNull = open("/dev/null", O_RDWR);
  dup2(devNull, STDOUT_FILENO);
  dup2(devNull, STDERR_FILENO);
  // Holding the parent's sockets or output pipes would keep them open.
  close_range(3, ~0U, 0);
  char* const noEnvironment[] = {nullptr};
  execve("/bin/sh", const_cast<char* const*>(argv), noEnvironment);
  _exit(127);
}

// A clean Stop() writes a byte before closing the pipe; without it, the
// simulator died and its snmpsim and files are the watchdog's to remove.
const char kWatchScript[] =
    "read -r done; [ -n \"$done\" ] && exit 0; kill -s KILL -- \"-$1\"; shift; rm -rf -- \"$@\"";

// 16 random hex digits: snmpsim's name of the data that a community reaches,
// which tells nothing of the community.
std::string RandomName() {
  std::random_device source;
  char text[17];
  std::snprintf(text, sizeof text, "%08x%08x", source(), source());
  return text;
}

// A UDP port of `address` that nothing uses at the moment. snmpsim binds it
// a moment later, so another program may take it first: Start() tries again.
int FreeUdpPort(const std::string& address) {
  sockaddr_in at{};
  at.sin_family = AF_INET;
  inet_pton(AF_INET, address.c_str(), &at.sin_addr);
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  socklen_t size = sizeof at;
  int port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&at), size) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size) == 0) {
    port = ntohs(at.sin_port);
  }
  if (fd >= 0) close(fd);
  return port;
}

bool Secret(const std::string& name) {
  const std::string passphrase = "_PASSPHRASE";
  return name.rfind("ERX_", 0) == 0 ||
         (name.size() >= passphrase.size() &&
          name.compare(name.size() - passphrase.size(), passphrase.size(), passphrase) == 0);
}

// Ours without any secret: snmpsim's keys are in its argument file, and our
// passwords and passphrases are none of its business. It reads its own
// settings from HOME, which need not be set.
std::vector<std::string> SnmpsimEnvironment(const std::string& home) {
  std::vector<std::string> kept;
  bool hasHome = false;
  for (char** entry = environ; *entry; ++entry) {
    const std::string variable = *entry;
    const std::string name = variable.substr(0, variable.find('='));
    if (Secret(name)) continue;
    hasHome = hasHome || name == "HOME";
    kept.push_back(variable);
  }
  if (!hasHome) kept.push_back("HOME=" + home);
  return kept;
}

}  // namespace

Status SnmpService::WriteData(const SnmpServiceSetup& setup, std::vector<std::string>& warnings) {
  dataDir_ = PrivateDir();
  cacheDir_ = PrivateDir();
  if (dataDir_.empty() || cacheDir_.empty()) {
    return Status::Failure("cannot make a folder for the SNMP data");
  }
  std::vector<std::pair<std::string, fs::path>> walks;  // context, file
  const fs::path capture(setup.captureDir);
  walks.push_back({"", capture / "snmp.walk"});
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(capture / "snmp", error)) {
    if (entry.path().extension() == ".walk")
      walks.push_back({entry.path().stem().string(), entry.path()});
  }
  const std::string base = RandomName();
  communities_.clear();
  for (const auto& walk : walks) {
    const std::string records =
        fs::exists(walk.second, error)
            ? SnmprecFromWalk(ReadFile(walk.second), walk.second.string(), warnings)
            : "";
    const std::string& context = walk.first;
    const std::string name = base + "c" + std::to_string(communities_.size());
    communities_[setup.community + (context.empty() ? "" : "@" + context)] = name;
    std::vector<std::string> names = {name};
    if (!setup.v3User.empty()) names.push_back(context.empty() ? kNoContextFile : context);
    for (const std::string& file : names) {
      if (!WriteFile(fs::path(dataDir_) / (file + ".snmprec"), records, 0644)) {
        return Status::Failure("cannot write the SNMP data in " + dataDir_);
      }
    }
  }
  return Status();
}

bool SnmpService::Answers(const SnmpServiceSetup& setup) const {
  SnmpSettings settings;
  settings.address = setup.address;
  settings.port = setup.port;
  settings.community = communities_.at(setup.community);
  settings.limits.timeoutMs = 300;
  settings.limits.retries = 0;
  SnmpWalker walker(settings);
  return walker.Walk("", ".1.3.6.1.2.1.1").has_value();
}

Status SnmpService::Start(const SnmpServiceSetup& wanted, std::vector<std::string>& warnings) {
  SnmpServiceSetup setup = wanted;
  for (int attempt = 1; wanted.port == 0; ++attempt) {
    setup.port = FreeUdpPort(setup.address);
    if (setup.port == 0) return Status::Failure("no free UDP port for SNMP on " + setup.address);
    bool exited = false;
    Status started = StartAt(setup, warnings, exited);
    if (started.ok() || !exited || attempt == 3) return started;
    Stop();  // its port was taken meanwhile, most likely
    warnings.clear();
  }
  bool exited = false;
  return StartAt(setup, warnings, exited);
}

Status SnmpService::StartAt(const SnmpServiceSetup& setup, std::vector<std::string>& warnings,
                            bool& exited) {
  port_ = setup.port;
  if (Status written = WriteData(setup, warnings); !written.ok()) return written;
  std::string args = "--data-dir=" + dataDir_ + " --agent-udpv4-endpoint=" + setup.address + ":" +
                     std::to_string(setup.port);
  if (!setup.v3User.empty()) {
    std::string v3 = "--v3-user=" + setup.v3User;
    if (!setup.authKey.empty()) v3 += " --v3-auth-key=" + setup.authKey + " --v3-auth-proto=SHA";
    if (!setup.privKey.empty()) v3 += " --v3-priv-key=" + setup.privKey + " --v3-priv-proto=AES";
    args = v3 + " " + args;
  }
  // Read by snmpsim before it drops privileges; readable by us alone.
  argsFile_ = dataDir_ + ".args";
  if (!WriteFile(argsFile_, args + "\n", 0600)) {
    return Status::Failure("cannot write " + argsFile_);
  }
  std::vector<std::string> command = {"snmpsimd", "--args-from-file=" + argsFile_,
                                      "--cache-dir=" + cacheDir_, "--logging-method=null"};
  if (geteuid() == 0) {
    command.push_back("--process-user=nobody");
    command.push_back("--process-group=nogroup");
  }
  std::vector<std::string> environment = SnmpsimEnvironment(cacheDir_);
  std::vector<char*> envp;
  envp.reserve(environment.size() + 1);
  for (std::string& variable : environment) envp.push_back(&variable[0]);
  envp.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    setpgid(0, 0);  // its own group: the watchdog kills it and what it forks
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (std::string& part : command) argv.push_back(&part[0]);
    argv.push_back(nullptr);
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (pid_ < 0) {
    return Status::Failure("cannot start snmpsimd");
  }
  setpgid(pid_, pid_);  // also here, so no kill can race the child's own call
  StartWatchdog();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(setup.readyTimeoutMs);
  while (!Answers(setup)) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      exited = true;
      return Status::Failure("snmpsimd exited (is the snmpsim package installed?)");
    }
    if (std::chrono::steady_clock::now() > deadline) {
      return Status::Failure("snmpsimd did not answer on " + setup.address + ":" +
                             std::to_string(setup.port));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::error_code error;
  fs::remove(argsFile_, error);
  return Status();
}

void SnmpService::StartWatchdog() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  const std::string group = std::to_string(pid_);
  const char* argv[] = {"sh",
                        "-c",
                        kWatchScript,
                        "erx-simulator-watchdog",
                        group.c_str(),
                        dataDir_.c_str(),
                        cacheDir_.c_str(),
                        argsFile_.c_str(),
                        nullptr};
  watchdog_ = fork();
  if (watchdog_ == 0) Watch(ends[0], argv);
  close(ends[0]);
  if (watchdog_ < 0) {
    close(ends[1]);
    return;
  }
  watchdogPipe_ = ends[1];
}

void SnmpService::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    for (int waited = 0; waited < 50 && waitpid(pid_, &status, WNOHANG) == 0; ++waited) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    kill(-pid_, SIGKILL);  // whatever it left behind in its group
    pid_ = -1;
  }
  if (watchdog_ > 0) {
    const char done[] = "x\n";
    if (write(watchdogPipe_, done, 2) != 2) {
      // It then sees the pipe close and cleans up like after our death.
    }
    close(watchdogPipe_);
    waitpid(watchdog_, nullptr, 0);
    watchdog_ = -1;
    watchdogPipe_ = -1;
  }
  std::error_code error;
  for (const std::string& path : {argsFile_, dataDir_, cacheDir_}) {
    if (!path.empty()) fs::remove_all(path, error);
  }
  argsFile_.clear();
  dataDir_.clear();
  cacheDir_.clear();
}
