#include "web/Access.h"

#include <arpa/inet.h>
#include <crypt.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <memory>

namespace web {
namespace {

bool SameBytes(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char differ = 0;
  for (size_t i = 0; i < a.size(); ++i) differ |= static_cast<unsigned char>(a[i] ^ b[i]);
  return differ == 0;
}

bool DecodeBase64(const std::string& text, std::string& out) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  out.clear();
  unsigned bits = 0;
  int count = 0;
  size_t end = text.size();
  while (end > 0 && text[end - 1] == '=') --end;
  if (text.size() % 4 != 0 || text.size() - end > 2) return false;
  for (size_t i = 0; i < end; ++i) {
    const int v = value(text[i]);
    if (v < 0) return false;
    bits = (bits << 6) | static_cast<unsigned>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return true;
}

}  // namespace

Result<ListenAddress> ParseListen(const std::string& text) {
  const Status malformed = Status::Failure(
      "--listen takes ADDRESS:PORT (e.g. 127.0.0.1:8080 or [::1]:8080), not '" + text + "'");
  ListenAddress listen;
  size_t colon;
  if (!text.empty() && text[0] == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
      return malformed;
    }
    listen.host = text.substr(1, close - 1);
    colon = close + 1;
  } else {
    colon = text.rfind(':');
    if (colon == std::string::npos || text.find(':') != colon) return malformed;
    listen.host = text.substr(0, colon);
  }
  const std::string port = text.substr(colon + 1);
  if (listen.host.empty() || port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) > 65535) {
    return malformed;
  }
  listen.port = std::stoi(port);
  unsigned char address[sizeof(in6_addr)];
  if (inet_pton(AF_INET, listen.host.c_str(), address) != 1 &&
      inet_pton(AF_INET6, listen.host.c_str(), address) != 1) {
    return Status::Failure("--listen takes a numeric address, not '" + listen.host + "'");
  }
  return listen;
}

bool IsLoopback(const std::string& host) {
  in_addr v4{};
  if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

std::string AccessProblem(const AccessOptions& options) {
  if (options.tlsCert.empty() != options.tlsKey.empty()) {
    return "--tls-cert and --tls-key go together";
  }
  if (!options.tlsCert.empty() && options.insecureHttp) {
    return "--insecure-http and --tls-cert contradict each other";
  }
  if (IsLoopback(options.listen.host)) return "";
  const std::string where = options.listen.host + " is not a loopback address";
  if (options.authFile.empty()) {
    return where +
           ": anyone who reaches it would read the store; give --auth-file FILE "
           "(users and crypt(3) hashes) and --tls-cert/--tls-key";
  }
  if (options.tlsCert.empty() && !options.insecureHttp) {
    return where +
           ": passwords and the store would cross the network in clear; give "
           "--tls-cert FILE --tls-key FILE, or --insecure-http if you accept that";
  }
  return "";
}

Status Users::Load(const std::string& file) {
  hashes_.clear();
  struct stat info;
  if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return Status::Failure("cannot read the auth file " + file);
  }
  if (info.st_mode & (S_IRWXG | S_IRWXO)) {
    return Status::Failure("the auth file " + file +
                           " may be read by other users; make it private (chmod 600) first");
  }
  std::ifstream in(file);
  if (!in) {
    return Status::Failure("cannot read the auth file " + file);
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const size_t colon = line.find(':');
    const std::string where = file + ":" + std::to_string(number);
    if (colon == std::string::npos || colon == 0) {
      return Status::Failure(where + ": not a USER:HASH line");
    }
    const std::string hash = line.substr(colon + 1);
    if (hash.compare(0, 3, "$y$") != 0 && hash.compare(0, 3, "$6$") != 0) {
      return Status::Failure(where +
                             ": the hash is neither yescrypt ($y$) nor SHA-512 ($6$); make one "
                             "with mkpasswd -m yescrypt");
    }
    hashes_[line.substr(0, colon)] = hash;
  }
  if (hashes_.empty()) {
    return Status::Failure("the auth file " + file + " names no user");
  }
  return Status();
}

bool Users::Check(const std::string& user, const std::string& password) const {
  // crypt_data is large: on the heap, one per check, so threads share nothing.
  const auto data = std::make_unique<crypt_data>();
  const auto found = hashes_.find(user);
  if (found == hashes_.end()) {
    // As slow as a known user's wrong password, so that the time of the
    // answer does not tell which users exist.
    crypt_r(password.c_str(), "$y$j9T$F5Jx5fExrKuPp53xLKQ..1", data.get());
    return false;
  }
  const char* hashed = crypt_r(password.c_str(), found->second.c_str(), data.get());
  // A failed crypt_r returns null or a string starting with '*'.
  if (!hashed || hashed[0] == '*') return false;
  return SameBytes(hashed, found->second);
}

bool Users::Allows(const std::string& authorization) const {
  static const char kBasic[] = "Basic ";
  if (authorization.compare(0, sizeof(kBasic) - 1, kBasic) != 0) return false;
  std::string credentials;
  if (!DecodeBase64(authorization.substr(sizeof(kBasic) - 1), credentials)) return false;
  const size_t colon = credentials.find(':');
  if (colon == std::string::npos) return false;
  return Check(credentials.substr(0, colon), credentials.substr(colon + 1));
}

}  // namespace web
