#include "transports/SshStream.h"

#include <libssh/libssh.h>

#include <algorithm>
#include <mutex>

#include "transports/SshHostKeys.h"

namespace {

const int kColumns = 512;
const int kRows = 24;

void InitLibssh() {
  static std::once_flag once;
  std::call_once(once, [] { ssh_init(); });
}

bool SetList(ssh_session session, ssh_options_e option, const std::string& value) {
  return ssh_options_set(session, option, value.c_str()) == SSH_OK;
}

// libssh drops the algorithms it cannot speak from a list without a word;
// the first of `value`'s that it cannot, or empty.
std::string Unspoken(ssh_options_e option, const std::string& value) {
  const size_t start = value.find_first_not_of("+-^");
  if (start != 0 && value[0] == '-') return "";
  ssh_session scratch = ssh_new();
  std::string unspoken;
  size_t at = start;
  while (unspoken.empty() && at < value.size()) {
    const size_t comma = std::min(value.find(',', at), value.size());
    const std::string name = value.substr(at, comma - at);
    if (!SetList(scratch, option, name)) unspoken = name;
    at = comma + 1;
  }
  ssh_free(scratch);
  return unspoken;
}

ssh_options_e FirstOption(const std::string& name) {
  return name == "KexAlgorithms"       ? SSH_OPTIONS_KEY_EXCHANGE
         : name == "HostKeyAlgorithms" ? SSH_OPTIONS_HOSTKEYS
         : name == "Ciphers"           ? SSH_OPTIONS_CIPHERS_C_S
                                       : SSH_OPTIONS_HMAC_C_S;
}

}  // namespace

Status SshStream::Speaks(const SshAlgorithms& algorithms) {
  InitLibssh();
  for (const auto& [name, value] : algorithms.Options()) {
    const std::string unspoken = Unspoken(FirstOption(name), value);
    if (!unspoken.empty()) {
      return Status::Failure("SSH option " + name + "=" + value +
                             ": this build of libssh cannot speak " + unspoken);
    }
  }
  return Status();
}

SshStream::SshStream(SshSettings settings) : settings_(std::move(settings)) { InitLibssh(); }

SshStream::~SshStream() { Close(); }

std::string SshStream::Where() const {
  return settings_.address + ":" + std::to_string(settings_.port);
}

void SshStream::Close() {
  if (channel_) {
    ssh_channel_close(channel_);
    ssh_channel_free(channel_);
    channel_ = nullptr;
  }
  if (session_) {
    ssh_disconnect(session_);
    ssh_free(session_);
    session_ = nullptr;
  }
}

Status SshStream::Configure(int timeoutMs) {
  session_ = ssh_new();
  if (!session_) {
    return Status::Failure("libssh cannot start a session");
  }
  // Only what we are told counts, not the user's ssh configuration.
  bool process = false;
  int nodelay = 1;
  long seconds = (timeoutMs + 999) / 1000;
  const int port = settings_.port;
  ssh_options_set(session_, SSH_OPTIONS_PROCESS_CONFIG, &process);
  ssh_options_set(session_, SSH_OPTIONS_HOST, settings_.address.c_str());
  ssh_options_set(session_, SSH_OPTIONS_PORT, &port);
  ssh_options_set(session_, SSH_OPTIONS_TIMEOUT, &seconds);
  ssh_options_set(session_, SSH_OPTIONS_NODELAY, &nodelay);
  if (!settings_.user.empty()) ssh_options_set(session_, SSH_OPTIONS_USER, settings_.user.c_str());
  const std::string knownHosts =
      settings_.knownHostsFile.empty() ? DefaultKnownHostsFile() : settings_.knownHostsFile;
  ssh_options_set(session_, SSH_OPTIONS_KNOWNHOSTS, knownHosts.c_str());
  if (Status spoken = Speaks(settings_.algorithms); !spoken.ok()) return spoken;
  for (const auto& [name, value] : settings_.algorithms.Options()) {
    const std::string list = settings_.algorithms.Resolved(name);
    const ssh_options_e first = FirstOption(name);
    const ssh_options_e second = name == "Ciphers" ? SSH_OPTIONS_CIPHERS_S_C
                                 : name == "MACs"  ? SSH_OPTIONS_HMAC_S_C
                                                   : first;
    if (!SetList(session_, first, list) || !SetList(session_, second, list)) {
      return Status::Failure("SSH option " + name + "=" + value + ": " + ssh_get_error(session_));
    }
  }
  return Status();
}

ConnectStatus SshStream::Connect(int timeoutMs) {
  Close();
  untrusted_ = false;
  ConnectStatus connected = Configure(timeoutMs);
  if (connected.ok() && ssh_connect(session_) != SSH_OK) {
    const std::string error = ssh_get_error(session_);
    std::string problem = SshAlgorithms::ExplainNegotiationFailure(error, Where());
    if (problem.empty()) problem = "cannot connect to " + Where() + " over SSH: " + error;
    connected = Status::Failure(problem);
  }
  if (connected.ok()) {
    const std::string knownHosts =
        settings_.knownHostsFile.empty() ? DefaultKnownHostsFile() : settings_.knownHostsFile;
    const Status known = CheckHostKey(session_, Where(), knownHosts, settings_.acceptNewHostKey);
    if (!known.ok()) {
      untrusted_ = true;
      connected = ConnectStatus::Refused(known.message());
    }
  }
  if (connected.ok()) connected = Authenticate(timeoutMs);
  if (connected.ok()) connected = OpenShell();
  if (!connected.ok()) Close();
  return connected;
}

ConnectStatus SshStream::Authenticate(int timeoutMs) {
  const std::string who =
      settings_.user.empty() ? std::string("the login") : "the login of user " + settings_.user;
  int result = ssh_userauth_none(session_, nullptr);
  if (result == SSH_AUTH_SUCCESS) return ConnectStatus();
  if (Status heard = Answered(result, timeoutMs, who); !heard.ok()) return heard;
  const int methods = ssh_userauth_list(session_, nullptr);
  if (!settings_.identityFile.empty() && (methods & SSH_AUTH_METHOD_PUBLICKEY)) {
    bool unreadable = false;
    result = AuthenticateByKey(unreadable);
    if (unreadable) {
      return ConnectStatus::Refused("cannot read the private key " + settings_.identityFile +
                                    " (or its passphrase is wrong)");
    }
    if (result == SSH_AUTH_SUCCESS) return ConnectStatus();
    if (Status heard = Answered(result, timeoutMs, who); !heard.ok()) return heard;
  }
  if (methods & SSH_AUTH_METHOD_PASSWORD) {
    result = ssh_userauth_password(session_, nullptr, settings_.password.c_str());
    if (result == SSH_AUTH_SUCCESS) return ConnectStatus();
    if (Status heard = Answered(result, timeoutMs, who); !heard.ok()) return heard;
  }
  if (methods & SSH_AUTH_METHOD_INTERACTIVE) {
    result = AuthenticateInteractively();
    if (result == SSH_AUTH_SUCCESS) return ConnectStatus();
    if (Status heard = Answered(result, timeoutMs, who); !heard.ok()) return heard;
  }
  return ConnectStatus::Refused(Where() + " refused " + who + " (SSH authentication failed)");
}

// Only an answer is a refusal; silence and a lost connection are not, as
// over Telnet.
Status SshStream::Answered(int result, int timeoutMs, const std::string& who) const {
  if (result == SSH_AUTH_AGAIN) {
    return Status::Failure(Where() + " did not answer " + who + " within " +
                           std::to_string((timeoutMs + 999) / 1000) + " s");
  }
  if (result == SSH_AUTH_ERROR) {
    return Status::Failure(Where() + ((ssh_get_status(session_) & (SSH_CLOSED | SSH_CLOSED_ERROR))
                                          ? " closed the connection during " + who
                                          : " broke off " + who + ": " + ssh_get_error(session_)));
  }
  return Status();
}

int SshStream::AuthenticateByKey(bool& unreadable) {
  ssh_key key = nullptr;
  const char* passphrase =
      settings_.identityPassphrase.empty() ? nullptr : settings_.identityPassphrase.c_str();
  if (ssh_pki_import_privkey_file(settings_.identityFile.c_str(), passphrase, nullptr, nullptr,
                                  &key) != SSH_OK) {
    unreadable = true;
    return SSH_AUTH_DENIED;
  }
  const int result = ssh_userauth_publickey(session_, nullptr, key);
  ssh_key_free(key);
  return result;
}

int SshStream::AuthenticateInteractively() {
  // The router asks for its password; every question gets it.
  int result = SSH_AUTH_DENIED;
  for (int round = 0; round < 4; ++round) {
    result = ssh_userauth_kbdint(session_, nullptr, nullptr);
    if (result != SSH_AUTH_INFO) break;
    const int prompts = ssh_userauth_kbdint_getnprompts(session_);
    for (int i = 0; i < prompts; ++i) {
      ssh_userauth_kbdint_setanswer(session_, static_cast<unsigned>(i), settings_.password.c_str());
    }
  }
  return result;
}

Status SshStream::OpenShell() {
  channel_ = ssh_channel_new(session_);
  if (!channel_ || ssh_channel_open_session(channel_) != SSH_OK ||
      ssh_channel_request_pty_size(channel_, "vt100", kColumns, kRows) != SSH_OK ||
      ssh_channel_request_shell(channel_) != SSH_OK) {
    return Status::Failure(Where() + " opens no shell over SSH: " + ssh_get_error(session_));
  }
  return Status();
}

ByteStream::Got SshStream::Read(std::string& into, int waitMs) {
  if (!channel_) return Got::kClosed;
  char buffer[16384];
  const int got = waitMs > 0 ? ssh_channel_read_timeout(channel_, buffer, sizeof buffer, 0, waitMs)
                             : ssh_channel_read_nonblocking(channel_, buffer, sizeof buffer, 0);
  if (got > 0) {
    into.append(buffer, static_cast<size_t>(got));
    return Got::kData;
  }
  if (got == SSH_ERROR || ssh_channel_is_eof(channel_) || ssh_channel_is_closed(channel_)) {
    Close();
    return Got::kClosed;
  }
  return Got::kNothing;
}

void SshStream::Write(const std::string& bytes) {
  if (!channel_) return;
  size_t done = 0;
  while (done < bytes.size()) {
    const int wrote = ssh_channel_write(channel_, bytes.data() + done,
                                        static_cast<uint32_t>(bytes.size() - done));
    if (wrote <= 0) {
      Close();  // the session then sees the connection closed
      return;
    }
    done += static_cast<size_t>(wrote);
  }
}
