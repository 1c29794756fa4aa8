#include "tests/live/LiveHarness.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

using Clock = std::chrono::steady_clock;

pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const Variables& environment, int outFd, int errFd) {
  std::vector<std::string> parts = {program};
  parts.insert(parts.end(), arguments.begin(), arguments.end());
  std::vector<std::string> variables = {"PATH=/usr/local/bin:/usr/bin:/bin"};
  for (const auto& entry : environment) variables.push_back(entry.first + "=" + entry.second);
  for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "TMPDIR"}) {
    if (const char* value = getenv(keep)) variables.push_back(std::string(keep) + "=" + value);
  }
  const pid_t pid = fork();
  if (pid != 0) return pid;
  dup2(outFd, STDOUT_FILENO);
  dup2(errFd, STDERR_FILENO);
  const int devNull = open("/dev/null", O_RDONLY);
  dup2(devNull, STDIN_FILENO);
  std::vector<char*> argv, envp;
  for (std::string& part : parts) argv.push_back(&part[0]);
  for (std::string& variable : variables) envp.push_back(&variable[0]);
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  execve(argv[0], argv.data(), envp.data());
  _exit(127);
}

int Reap(pid_t pid, std::chrono::milliseconds limit, long* peakKiB) {
  const Clock::time_point deadline = Clock::now() + limit;
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, WNOHANG, &usage) == 0) {
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (peakKiB) *peakKiB = usage.ru_maxrss;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int FreePort(int type) {
  const int fd = socket(AF_INET, type, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof at;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&at), size) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size) == 0) {
    port = ntohs(at.sin_port);
  }
  close(fd);
  return port;
}

bool SimulatedRouter::Start(const std::string& device, const std::vector<std::string>& arguments,
                            const Variables& environment, bool snmp) {
  // A port picked here and bound there later could be taken in between.
  std::vector<std::string> all = {"--capture", device, "--telnet", "127.0.0.1:0"};
  printed_.clear();
  errorsShown_ = false;
  if (snmp) {
    all.push_back("--snmp");
    all.push_back("127.0.0.1:0");
  }
  all.insert(all.end(), arguments.begin(), arguments.end());
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  const int errors =
      open((logs_.Path() + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  pid_ = Spawn(ERX_SIMULATOR_PATH, all, environment, pipeFds[1], errors);
  close(pipeFds[1]);
  close(errors);
  output_ = pipeFds[0];
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
  char buffer[256];
  while (printed_.find("ready\n") == std::string::npos && Clock::now() < deadline) {
    pollfd wait{output_, POLLIN, 0};
    if (poll(&wait, 1, 200) <= 0) continue;
    const ssize_t got = read(output_, buffer, sizeof buffer);
    if (got <= 0) break;
    printed_.append(buffer, static_cast<size_t>(got));
  }
  const auto port = [&](const std::string& service) {
    const size_t at = printed_.find(service + " 127.0.0.1:");
    return at == std::string::npos ? 0 : std::atoi(printed_.c_str() + at + service.size() + 11);
  };
  telnetPort_ = port("telnet");
  snmpPort_ = port("snmp");
  sshPort_ = port("ssh");
  const bool ready =
      printed_.find("ready\n") != std::string::npos && telnetPort_ > 0 && (!snmp || snmpPort_ > 0);
  if (snmpPort_ == 0) snmpPort_ = FreePort(SOCK_DGRAM);  // no SNMP: a port that nothing answers on
  if (!ready) ShowErrors("did not get ready");
  return ready;
}

SimulatedRouter::~SimulatedRouter() {
  Stop();
  if (::testing::Test::HasFailure()) ShowErrors("ran in a test that failed");
}

void SimulatedRouter::ShowErrors(const std::string& why) {
  if (errorsShown_) return;
  errorsShown_ = true;
  std::cerr << "erx-simulator " << why << "; it printed:\n"
            << printed_ << "and on standard error:\n"
            << Errors() << "(end of its standard error)" << std::endl;
}

std::string SimulatedRouter::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    exitStatus_ = Reap(pid_, std::chrono::seconds(15));
    pid_ = -1;
  }
  if (output_ >= 0) {
    char buffer[256];
    ssize_t got;
    while ((got = read(output_, buffer, sizeof buffer)) > 0)
      printed_.append(buffer, static_cast<size_t>(got));
    close(output_);
    output_ = -1;
  }
  return printed_;
}

DiscoverRun RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     const Variables& environment, std::chrono::seconds limit) {
  TempFolder io;
  const int out = open((io.Path() + "/out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  const int err = open((io.Path() + "/err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  const Clock::time_point start = Clock::now();
  const pid_t pid = Spawn(program, arguments, environment, out, err);
  close(out);
  close(err);
  DiscoverRun run;
  run.status = Reap(pid, limit, &run.peakKiB);
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.out = io.Read("out");
  run.err = io.Read("err");
  return run;
}

DiscoverRun RunDiscover(const std::vector<std::string>& arguments, const Variables& environment) {
  return RunChild(ERX_RUNNER_PATH, arguments, environment, std::chrono::seconds(120));
}
