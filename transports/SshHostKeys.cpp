#include "transports/SshHostKeys.h"

#include <fcntl.h>
#include <libssh/libssh.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// "ssh-ed25519 SHA256:..." of the key the router showed.
std::string Describe(ssh_session session) {
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(session, &key) != SSH_OK) return "a key that cannot be read";
  std::string text = ssh_key_type_to_char(ssh_key_type(key));
  unsigned char* hash = nullptr;
  size_t length = 0;
  if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) == 0) {
    char* fingerprint = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    if (fingerprint) text += std::string(" ") + fingerprint;
    ssh_string_free_char(fingerprint);
    ssh_clean_pubkey_hash(&hash);
  }
  ssh_key_free(key);
  return text;
}

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The lines of a known-hosts file, each without its end of line (LF or CRLF).
std::vector<std::string> Lines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "@revoked" or "@cert-authority", the marker that a line starts with; "" for a host's key.
std::string MarkerOf(const std::string& line) {
  const size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos || line[start] != '@') return "";
  return line.substr(start, line.find_first_of(" \t", start) - start);
}

// True when a "@revoked" line holds the key the router showed, whatever
// hosts the line names: a revoked key is never accepted.
bool Revoked(ssh_session session, const std::vector<std::string>& lines) {
  ssh_key key = nullptr;
  if (ssh_get_server_publickey(session, &key) != SSH_OK) return false;
  char* base64 = nullptr;
  std::string shown;
  if (ssh_pki_export_pubkey_base64(key, &base64) == SSH_OK) shown = base64;
  ssh_string_free_char(base64);
  ssh_key_free(key);
  for (const std::string& line : lines) {
    if (MarkerOf(line) != "@revoked") continue;
    std::istringstream fields(line);
    std::string marker, hosts, type, blob;
    if (fields >> marker >> hosts >> type >> blob && !shown.empty() && blob == shown) return true;
  }
  return false;
}

// libssh's verdict on the session's key. libssh neither knows OpenSSH's
// markers nor drops a carriage return before the end of line: when the file
// holds either, it reads a copy of the hosts' lines alone, without them.
ssh_known_hosts_e KnownState(ssh_session session, const std::string& file) {
  const std::string text = ReadAll(file);
  const std::vector<std::string> lines = Lines(text);
  bool plain = text.find('\r') == std::string::npos;
  for (const std::string& line : lines) plain = plain && MarkerOf(line).empty();
  if (plain) return ssh_session_is_known_server(session);
  std::string copy = (std::filesystem::temp_directory_path() / "erx-known-hosts-XXXXXX").string();
  const int fd = mkostemp(&copy[0], O_CLOEXEC);
  if (fd < 0) return SSH_KNOWN_HOSTS_ERROR;
  std::string hosts;
  for (const std::string& line : lines) {
    if (MarkerOf(line).empty()) hosts += line + "\n";
  }
  const bool written = write(fd, hosts.data(), hosts.size()) == static_cast<ssize_t>(hosts.size());
  close(fd);
  ssh_known_hosts_e state = SSH_KNOWN_HOSTS_ERROR;
  if (written) {
    ssh_options_set(session, SSH_OPTIONS_KNOWNHOSTS, copy.c_str());
    state = ssh_session_is_known_server(session);
    ssh_options_set(session, SSH_OPTIONS_KNOWNHOSTS, file.c_str());
  }
  unlink(copy.c_str());
  return state;
}

// Appends the session's host to `file` under an exclusive lock, unless a key
// of it was recorded meanwhile: then that decides, as it would have.
ssh_known_hosts_e Record(ssh_session session, const std::string& file, std::string& why) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  if (!folder.empty() && !std::filesystem::exists(folder, error)) {
    std::filesystem::create_directories(folder, error);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
  }
  const int fd = open(file.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    why = std::strerror(errno);
    return SSH_KNOWN_HOSTS_ERROR;
  }
  while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  ssh_known_hosts_e state = KnownState(session, file);
  if (state == SSH_KNOWN_HOSTS_UNKNOWN || state == SSH_KNOWN_HOSTS_NOT_FOUND) {
    char* entry = nullptr;
    state = SSH_KNOWN_HOSTS_ERROR;
    why = "libssh cannot write the entry";
    if (ssh_session_export_known_hosts_entry(session, &entry) == SSH_OK) {
      std::string line = entry;
      if (line.empty() || line.back() != '\n') line += '\n';
      // A file edited by hand may lack its last end of line: the entry must
      // not be glued onto the last host's.
      struct stat file_stat;
      char last = '\n';
      if (fstat(fd, &file_stat) == 0 && file_stat.st_size > 0 &&
          pread(fd, &last, 1, file_stat.st_size - 1) == 1 && last != '\n') {
        line.insert(line.begin(), '\n');
      }
      if (write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) {
        state = SSH_KNOWN_HOSTS_OK;
      } else {
        why = std::strerror(errno);
      }
    }
    ssh_string_free_char(entry);
  }
  close(fd);  // and the lock with it
  return state;
}

}  // namespace

std::string DefaultKnownHostsFile() {
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* user = getpwuid(getuid());
    home = user ? user->pw_dir : "/";
  }
  return std::string(home) + "/.ssh/known_hosts";
}

Status CheckHostKey(ssh_session session, const std::string& where, const std::string& file,
                    bool acceptNew) {
  if (Revoked(session, Lines(ReadAll(file)))) {
    return Status::Failure("REVOKED HOST KEY DETECTED: " + where + " shows " + Describe(session) +
                           ", a key marked as revoked in " + file + "; not connecting");
  }
  ssh_known_hosts_e state = KnownState(session, file);
  std::string why;
  if ((state == SSH_KNOWN_HOSTS_UNKNOWN || state == SSH_KNOWN_HOSTS_NOT_FOUND) && acceptNew) {
    state = Record(session, file, why);
  }
  switch (state) {
    case SSH_KNOWN_HOSTS_OK:
      return Status();
    case SSH_KNOWN_HOSTS_UNKNOWN:
    case SSH_KNOWN_HOSTS_NOT_FOUND:
      return Status::Failure(
          where + " shows a host key that " + file + " does not know: " + Describe(session) +
          "; if that is the router's key, give --accept-new-host-key to record it");
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER:
      return Status::Failure(
          "the host key of " + where + " HAS CHANGED: it shows " + Describe(session) +
          ", not the key recorded in " + file +
          "; not connecting (someone may be in between; if the router's key really "
          "changed, remove its old entry from that file)");
    case SSH_KNOWN_HOSTS_ERROR:
      break;
  }
  return Status::Failure("cannot check the host key of " + where + " against " + file +
                         (why.empty() ? std::string() : ": " + why));
}
