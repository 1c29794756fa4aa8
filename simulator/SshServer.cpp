#include "simulator/SshServer.h"

#include <arpa/inet.h>
#include <libssh/libssh.h>
#include <libssh/server.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>

namespace {

const int kLoginAttempts = 3;
const int kGoodbyeMs = 1000;

// The client's shell channel as the router session sees it.
class SshLink : public RouterLink {
 public:
  explicit SshLink(ssh_channel channel) : channel_(channel) {}

  bool Receive(std::string& into) override {
    char buffer[1024];
    const int got = ssh_channel_read(channel_, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    into.append(buffer, static_cast<size_t>(got));
    return true;
  }
  bool ReceiveArrived(std::string& into) override {
    char buffer[1024];
    for (;;) {
      const int got = ssh_channel_read_nonblocking(channel_, buffer, sizeof buffer, 0);
      if (got < 0 || (got == 0 && ssh_channel_is_eof(channel_))) return false;
      if (got == 0) return true;
      into.append(buffer, static_cast<size_t>(got));
    }
  }
  bool Send(const std::string& bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      const int wrote = ssh_channel_write(channel_, bytes.data() + done,
                                          static_cast<uint32_t>(bytes.size() - done));
      if (wrote <= 0) return false;
      done += static_cast<size_t>(wrote);
    }
    return true;
  }
  void HangUp() override {
    ssh_channel_request_send_exit_status(channel_, 0);
    ssh_channel_send_eof(channel_);
    ssh_channel_close(channel_);
  }

 private:
  ssh_channel channel_;
};

Status CreateHostKey(const std::string& file) {
  ssh_key key = nullptr;
  if (ssh_pki_generate(SSH_KEYTYPE_ED25519, 0, &key) != SSH_OK) {
    return Status::Failure("cannot create a host key");
  }
  const mode_t before = umask(077);
  const int exported = ssh_pki_export_privkey_file(key, nullptr, nullptr, nullptr, file.c_str());
  umask(before);
  ssh_key_free(key);
  if (exported != SSH_OK) return Status::Failure("cannot write the host key " + file);
  return Status();
}

bool SetOption(ssh_bind bind, const std::string& name, const std::string& value) {
  const char* list = value.c_str();
  if (name == "KexAlgorithms")
    return ssh_bind_options_set(bind, SSH_BIND_OPTIONS_KEY_EXCHANGE, list) == 0;
  if (name == "HostKeyAlgorithms") {
    return ssh_bind_options_set(bind, SSH_BIND_OPTIONS_HOSTKEY_ALGORITHMS, list) == 0;
  }
  if (name == "Ciphers") {
    return ssh_bind_options_set(bind, SSH_BIND_OPTIONS_CIPHERS_C_S, list) == 0 &&
           ssh_bind_options_set(bind, SSH_BIND_OPTIONS_CIPHERS_S_C, list) == 0;
  }
  if (name == "MACs") {
    return ssh_bind_options_set(bind, SSH_BIND_OPTIONS_HMAC_C_S, list) == 0 &&
           ssh_bind_options_set(bind, SSH_BIND_OPTIONS_HMAC_S_C, list) == 0;
  }
  return false;
}

// libssh 0.10 would have servers take passwords through callbacks; the
// message loop here answers keyboard-interactive logins in the same place.
const char* PasswordOf(ssh_message message) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  return ssh_message_auth_password(message);
#pragma GCC diagnostic pop
}

bool IsTheUser(const RouterSetup& setup, const char* user) {
  return setup.user.empty() || (user && setup.user == user);
}

bool Allowed(const RouterSetup& setup, const char* user, const char* password) {
  return IsTheUser(setup, user) && password && setup.password == password;
}

// A key offered without a signature is a question ("would you take it?"),
// answered yes or no; with a valid signature it is a login.
enum class KeyAnswer { kRefused, kWouldTake, kLoggedIn };

KeyAnswer CheckKey(ssh_message message, const RouterSetup& setup, const SshAuthorizedKeys& keys) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ssh_key offered = ssh_message_auth_pubkey(message);
  const ssh_publickey_state_e state = ssh_message_auth_publickey_state(message);
#pragma GCC diagnostic pop
  if (!IsTheUser(setup, ssh_message_auth_user(message)) || !keys.Allows(offered)) {
    return KeyAnswer::kRefused;
  }
  if (state == SSH_PUBLICKEY_STATE_NONE) return KeyAnswer::kWouldTake;
  return state == SSH_PUBLICKEY_STATE_VALID ? KeyAnswer::kLoggedIn : KeyAnswer::kRefused;
}

int Methods(const SshAuthorizedKeys& keys) {
  return SSH_AUTH_METHOD_PASSWORD | SSH_AUTH_METHOD_INTERACTIVE |
         (keys.Empty() ? 0 : SSH_AUTH_METHOD_PUBLICKEY);
}

// Reads and drops what the client sends until it closes, for at most `ms`.
void DrainUntilClosed(int fd, int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  char drop[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          until - std::chrono::steady_clock::now())
                          .count();
    pollfd wait{fd, POLLIN, 0};
    if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0) return;
    if (recv(fd, drop, sizeof drop, 0) <= 0) return;
  }
}

// A message that carries the password.
bool CarriesPassword(ssh_message message) {
  const int subtype = ssh_message_subtype(message);
  return ssh_message_type(message) == SSH_REQUEST_AUTH &&
         (subtype == SSH_AUTH_METHOD_PASSWORD ||
          (subtype == SSH_AUTH_METHOD_INTERACTIVE && ssh_message_auth_kbdint_is_response(message)));
}

// Where a client's login stands while the server answers its requests.
struct LoginState {
  ssh_channel channel = nullptr;
  int failures = 0;
  bool authenticated = false;
};

// A fault that ends the login as soon as the client sends its password.
bool LoginFaultEnds(ssh_session session, ssh_message message, const RouterSetup& setup) {
  if (!CarriesPassword(message)) return false;
  const int fd = static_cast<int>(ssh_get_fd(session));
  if (setup.faults.hangOn == "login") {
    DrainUntilClosed(fd, 300000);
    return true;
  }
  if (setup.faults.dropOn == "login") {
    shutdown(fd, SHUT_RDWR);
    return true;
  }
  return false;
}

// A request to authenticate, answered.
void AnswerAuthentication(ssh_session session, ssh_message message, const RouterSetup& setup,
                          const SshAuthorizedKeys& keys, LoginState& login) {
  const int subtype = ssh_message_subtype(message);
  if (subtype == SSH_AUTH_METHOD_PASSWORD) {
    login.authenticated = Allowed(setup, ssh_message_auth_user(message), PasswordOf(message));
  } else if (subtype == SSH_AUTH_METHOD_INTERACTIVE) {
    if (!ssh_message_auth_kbdint_is_response(message)) {
      const char* prompts[] = {"Password: "};
      char echo[] = {0};
      ssh_message_auth_interactive_request(message, "", "", 1, prompts, echo);
      return;
    }
    login.authenticated =
        ssh_userauth_kbdint_getnanswers(session) == 1 &&
        Allowed(setup, ssh_message_auth_user(message), ssh_userauth_kbdint_getanswer(session, 0));
  } else if (subtype == SSH_AUTH_METHOD_PUBLICKEY) {
    const KeyAnswer answer = CheckKey(message, setup, keys);
    if (answer == KeyAnswer::kWouldTake) {
      ssh_message_auth_reply_pk_ok_simple(message);
      return;
    }
    login.authenticated = answer == KeyAnswer::kLoggedIn;
  }
  if (login.authenticated) {
    ssh_message_auth_reply_success(message, 0);
    return;
  }
  if (subtype != SSH_AUTH_METHOD_NONE) ++login.failures;
  ssh_message_auth_set_methods(message, Methods(keys));
  ssh_message_reply_default(message);
}

// A request about the session's channel once logged in: true when answered.
bool AnswerChannel(ssh_message message, LoginState& login) {
  const int type = ssh_message_type(message);
  const int subtype = ssh_message_subtype(message);
  if (type == SSH_REQUEST_CHANNEL_OPEN && subtype == SSH_CHANNEL_SESSION && !login.channel) {
    login.channel = ssh_message_channel_request_open_reply_accept(message);
    return login.channel != nullptr;
  }
  if (login.channel && type == SSH_REQUEST_CHANNEL &&
      (subtype == SSH_CHANNEL_REQUEST_PTY || subtype == SSH_CHANNEL_REQUEST_ENV ||
       subtype == SSH_CHANNEL_REQUEST_WINDOW_CHANGE || subtype == SSH_CHANNEL_REQUEST_SHELL)) {
    ssh_message_channel_request_reply_success(message);
    return true;
  }
  return false;
}

bool AsksForTheShell(ssh_message message, const LoginState& login) {
  return login.channel && ssh_message_type(message) == SSH_REQUEST_CHANNEL &&
         ssh_message_subtype(message) == SSH_CHANNEL_REQUEST_SHELL;
}

// Answers the client's requests until it has logged in and asked for a
// shell; the shell's channel, or nullptr when it left or failed to log in.
ssh_channel LogInAndOpenShell(ssh_session session, const RouterSetup& setup,
                              const SshAuthorizedKeys& keys) {
  LoginState login;
  for (;;) {
    ssh_message message = ssh_message_get(session);
    if (!message) return nullptr;
    if (LoginFaultEnds(session, message, setup)) {
      ssh_message_free(message);
      return nullptr;
    }
    bool answered = true;
    if (ssh_message_type(message) == SSH_REQUEST_AUTH) {
      AnswerAuthentication(session, message, setup, keys, login);
    } else {
      answered = login.authenticated && AnswerChannel(message, login);
    }
    const bool shell = answered && AsksForTheShell(message, login);
    if (!answered) ssh_message_reply_default(message);
    ssh_message_free(message);
    if (shell) return login.channel;
    if (login.failures >= kLoginAttempts) return nullptr;
  }
}

// Until the client disconnects, for at most kGoodbyeMs.
void WaitForGoodbye(ssh_session session) {
  ssh_blocking_flush(session, kGoodbyeMs);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGoodbyeMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd wait{static_cast<int>(ssh_get_fd(session)), POLLIN, 0};
    if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0) return;
    ssh_message message = ssh_message_get(session);
    if (!message) return;
    ssh_message_reply_default(message);
    ssh_message_free(message);
  }
}

}  // namespace

SshServer::~SshServer() {
  if (bind_) ssh_bind_free(bind_);
}

Status SshServer::Listen(const SshServerSetup& setup) {
  const std::string& keys = setup.authorizedKeysFile;
  if (!keys.empty()) {
    if (Status loaded = authorizedKeys_.Load(keys); !loaded.ok()) return loaded;
  }
  std::error_code error;
  if (!std::filesystem::exists(setup.hostKeyFile, error)) {
    if (Status created = CreateHostKey(setup.hostKeyFile); !created.ok()) return created;
  }
  newKeyAfterFirst_ = setup.newKeyAfterFirst;
  bind_ = ssh_bind_new();
  bool process = false;
  const int port = setup.port;
  ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_PROCESS_CONFIG, &process);
  ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_BINDADDR, setup.address.c_str());
  ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_BINDPORT, &port);
  if (ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_HOSTKEY, setup.hostKeyFile.c_str()) != 0) {
    return Status::Failure("cannot use the host key " + setup.hostKeyFile + ": " +
                           ssh_get_error(bind_));
  }
  for (const auto& [name, value] : setup.options) {
    if (!SetOption(bind_, name, value)) {
      return Status::Failure("--ssh-option " + name + "=" + value + ": " + ssh_get_error(bind_));
    }
  }
  if (ssh_bind_listen(bind_) != SSH_OK) {
    return Status::Failure("cannot listen on " + setup.address + ":" + std::to_string(port) + ": " +
                           ssh_get_error(bind_));
  }
  sockaddr_in at{};
  socklen_t size = sizeof at;
  getsockname(Fd(), reinterpret_cast<sockaddr*>(&at), &size);
  port_ = ntohs(at.sin_port);
  return Status();
}

int SshServer::Fd() const { return static_cast<int>(ssh_bind_get_fd(bind_)); }

ssh_session SshServer::Accept() {
  ssh_key fresh = nullptr;
  // The bind gives each accepted session a copy of its key, and owns the one it is given.
  if (newKeyAfterFirst_ && accepted_ > 0 &&
      ssh_pki_generate(SSH_KEYTYPE_ED25519, 0, &fresh) == SSH_OK &&
      ssh_bind_options_set(bind_, SSH_BIND_OPTIONS_IMPORT_KEY, fresh) != 0) {
    ssh_key_free(fresh);
  }
  ssh_session session = ssh_new();
  if (ssh_bind_accept(bind_, session) != SSH_OK) {
    ssh_free(session);
    return nullptr;
  }
  ++accepted_;
  const int noDelay = 1;
  setsockopt(ssh_get_fd(session), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
  return session;
}

int SshSessionFd(ssh_session session) { return static_cast<int>(ssh_get_fd(session)); }

void ServeSshClient(ssh_session session, const RouterSetup& setup, const SshAuthorizedKeys& keys) {
  if (ssh_handle_key_exchange(session) == SSH_OK) {
    ssh_set_auth_methods(session, Methods(keys));
    if (ssh_channel channel = LogInAndOpenShell(session, setup, keys)) {
      RouterSession(std::make_unique<SshLink>(channel), setup, true).Serve();
      // The client says goodbye once it saw the channel closed; cutting the
      // connection before that makes it report a failure.
      WaitForGoodbye(session);
      ssh_channel_free(channel);
    }
  } else {
    // The client finds the mismatch in our offer itself. Closing with its
    // bytes unread would reset the connection and could discard our offer
    // before it reads it: read and drop what it sends until it closes.
    DrainUntilClosed(static_cast<int>(ssh_get_fd(session)), kGoodbyeMs);
  }
  ssh_disconnect(session);
  ssh_free(session);
}
