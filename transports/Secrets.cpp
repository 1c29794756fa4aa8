#include "transports/Secrets.h"

#include <fcntl.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

void Wipe(std::string& secret) {
  // The whole buffer: a string moved from keeps its short value's bytes.
  secret.resize(secret.capacity());
  explicit_bzero(&secret[0], secret.size());
  secret.clear();
}

void KeepMemoryPrivate() {
  const rlimit none{0, 0};
  setrlimit(RLIMIT_CORE, &none);
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}

Secrets::~Secrets() {
  for (auto& entry : fromFile_) Wipe(entry.second);
}

namespace {

// The whole file into a string that the caller wipes; false when it cannot be read.
bool ReadPrivately(const std::string& file, std::string& text) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool read = fstat(fd, &info) == 0;
  if (read) text.reserve(static_cast<size_t>(info.st_size) + 1);  // no copies left by growing
  char block[4096];
  for (ssize_t got; read && (got = ::read(fd, block, sizeof block)) != 0;) {
    if (got < 0) {
      read = false;
      break;
    }
    text.append(block, static_cast<size_t>(got));
  }
  explicit_bzero(block, sizeof block);
  close(fd);
  return read;
}

// Checks that `file` is a private regular file, then reads the whole of it
// into `text`: the caller's, so that the secrets are wiped where they are used.
Status ReadSecretsFile(const std::string& file, std::string& text) {
  struct stat info;
  if (stat(file.c_str(), &info) != 0) {
    return Status::Failure("cannot read the secrets file " + file);
  }
  if (!S_ISREG(info.st_mode)) {
    return Status::Failure("the secrets file " + file + " is not a file");
  }
  if (info.st_mode & (S_IRWXG | S_IRWXO)) {
    return Status::Failure("the secrets file " + file +
                           " may be read by other users; make it private (chmod 600) first");
  }
  if (!ReadPrivately(file, text)) {
    Wipe(text);
    return Status::Failure("cannot read the secrets file " + file);
  }
  return Status();
}

}  // namespace

Status Secrets::Load(const std::string& file, const std::set<std::string>& wanted) {
  for (auto& entry : fromFile_) Wipe(entry.second);
  fromFile_.clear();
  if (file.empty()) return Status();
  std::string text;
  if (Status read = ReadSecretsFile(file, text); !read.ok()) return read;
  std::string line;
  int number = 0;
  for (size_t at = 0; at < text.size(); ++number) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    Wipe(line);
    line.assign(text, at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    if (!Keep(line, start, wanted)) {
      Wipe(line);
      Wipe(text);
      for (auto& entry : fromFile_) Wipe(entry.second);
      fromFile_.clear();
      // The line itself may be a secret: only its number is named.
      return Status::Failure(file + ":" + std::to_string(number + 1) + ": not a NAME=VALUE line");
    }
  }
  Wipe(line);
  Wipe(text);
  return Status();
}

bool Secrets::Keep(const std::string& line, size_t start, const std::set<std::string>& wanted) {
  const size_t equals = line.find('=', start);
  if (equals == std::string::npos) return false;
  std::string name = line.substr(start, equals - start);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  // Blanks around '=' are layout, as in the name; a value's own blanks
  // after its first character are kept.
  const size_t value = line.find_first_not_of(" \t", equals + 1);
  if (!wanted.empty() && !wanted.count(name)) return true;
  std::string& kept = fromFile_[name];
  Wipe(kept);
  if (value != std::string::npos) kept.assign(line, value, std::string::npos);
  return true;
}

bool Secrets::Has(const std::string& name) const {
  return fromFile_.count(name) || std::getenv(name.c_str());
}

std::string Secrets::Get(const std::string& name, const std::string& fallback) const {
  auto it = fromFile_.find(name);
  if (it != fromFile_.end()) return it->second;
  const char* value = std::getenv(name.c_str());
  return value ? value : fallback;
}
