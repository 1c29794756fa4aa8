// A Telnet session against a router that sends odd bytes: huge replies, one
// endless line, a connection that closes in the middle of the login.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "transports/CliSession.h"
#include "transports/TelnetStream.h"

using namespace testing;

namespace {

// One client on 127.0.0.1: `greeting` first, then for every line it gets the
// echo and what `answer` says, or a closed connection for nullopt.
class ScriptedRouter {
 public:
  using Answer = std::function<std::optional<std::string>(const std::string& line)>;

  ScriptedRouter(const std::string& greeting, const Answer& answer) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    const bool listening = bind(listener_, reinterpret_cast<sockaddr*>(&at), size) == 0 &&
                           listen(listener_, 1) == 0 &&
                           getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &size) == 0;
    port_ = listening ? ntohs(at.sin_port) : 0;
    thread_ = std::thread([this, greeting, answer] { Serve(greeting, answer); });
  }
  ~ScriptedRouter() {
    thread_.join();
    close(listener_);
  }
  int Port() const { return port_; }

 private:
  void Serve(const std::string& greeting, const Answer& answer) {
    pollfd wait{listener_, POLLIN, 0};
    if (poll(&wait, 1, 10000) <= 0) return;
    const int client = accept(listener_, nullptr, nullptr);
    std::string input;
    bool open = SendAll(client, greeting);
    char buffer[512];
    while (open) {
      const size_t end = input.find('\n');
      if (end == std::string::npos) {
        wait = pollfd{client, POLLIN, 0};
        const ssize_t got = poll(&wait, 1, 10000) > 0 ? recv(client, buffer, sizeof buffer, 0) : 0;
        if (got <= 0) break;
        input.append(buffer, static_cast<size_t>(got));
        continue;
      }
      std::string line = input.substr(0, end);
      input.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::optional<std::string> reply = answer(line);
      open = reply && SendAll(client, line + "\r\n");
      // '\x01' in a reply is a pause: what follows comes as a packet of its own.
      for (size_t start = 0, pause = 0; open && start <= reply->size(); start = pause + 1) {
        pause = std::min(reply->find('\x01', start), reply->size());
        if (start > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        open = SendAll(client, reply->substr(start, pause - start));
      }
    }
    close(client);
  }
  static bool SendAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
      const ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (sent <= 0) return false;
      done += static_cast<size_t>(sent);
    }
    return true;
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
};

// A router without login whose "show" commands print `reply`.
ScriptedRouter::Answer Printing(const std::string& reply) {
  return [reply](const std::string& line) -> std::optional<std::string> {
    if (line == "exit") return std::nullopt;
    return (line.rfind("show", 0) == 0 ? reply : std::string()) + "r1#";
  };
}

TEST(TelnetOddOutput, HugeRepliesAndEndlessLinesComeWhole) {
  std::string table;
  while (table.size() < 16u << 20) table += "label 1000 via ATM2/0.12 to 10.1.1.1\r\n";
  const std::string endless(8u << 20, 'x');
  for (const std::string& reply : {table, endless + "\r\n"}) {
    ScriptedRouter router("\r\nr1#", Printing(reply));
    CliSession session(std::make_unique<TelnetStream>("127.0.0.1", router.Port()), CliLogin(),
                       30000);
    std::string text;
    const ConnectStatus opened = session.Open();
    ASSERT_TRUE(opened.ok()) << opened.message();
    ASSERT_EQ(session.Run("show mpls forwarding", text), CliSession::Result::kReply);
    std::string expected = reply;
    expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
    EXPECT_EQ(text, expected);
    session.Run("exit", text);
  }
}

TEST(TelnetOddOutput, APromptLikeLineInAReplyDoesNotShiftTheNextReplies) {
  ScriptedRouter router("\r\nr1#", [](const std::string& line) -> std::optional<std::string> {
    if (line == "show a") return std::string("a1\r\nr1#\x01\r\na2\r\nr1#");
    if (line == "show b") return std::string("b1\r\nr1#");
    return line == "exit" ? std::nullopt : std::optional<std::string>("r1#");
  });
  CliSession session(std::make_unique<TelnetStream>("127.0.0.1", router.Port()), CliLogin(), 5000);
  std::string reply;
  const ConnectStatus opened = session.Open();
  ASSERT_TRUE(opened.ok()) << opened.message();
  // The first line "r1#" looks like the end of the reply: what came later is lost,
  ASSERT_EQ(session.Run("show a", reply), CliSession::Result::kReply);
  EXPECT_EQ(reply, "a1\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // but it is not taken for the next command's reply, and the session says it came.
  ASSERT_EQ(session.Run("show b", reply), CliSession::Result::kReply);
  EXPECT_EQ(reply, "b1\n");
  EXPECT_GT(session.LateBytes(), 0u);
  ASSERT_EQ(session.Run("show b", reply), CliSession::Result::kReply);
  EXPECT_EQ(session.LateBytes(), 0u);
  session.Run("exit", reply);
}

TEST(TelnetOddOutput, ConnectionClosedDuringLoginIsAProblemNotAHang) {
  ScriptedRouter router("User: ", [](const std::string&) { return std::nullopt; });
  CliLogin login;
  login.user = "admin";
  login.password = "pw-secret-9";
  CliSession session(std::make_unique<TelnetStream>("127.0.0.1", router.Port()), login, 5000);
  const ConnectStatus opened = session.Open();
  EXPECT_FALSE(opened.ok());
  EXPECT_FALSE(session.IsOpen());
  EXPECT_THAT(opened.message(), HasSubstr("closed the connection"));
  EXPECT_EQ(opened.message().find("pw-secret-9"), std::string::npos);
}

// Giving up on a router that went quiet is ours, not a refusal by the router.
TEST(TelnetOddOutput, ARouterThatGoesQuietDuringLoginIsNotSaidToRefuse) {
  ScriptedRouter router("User: ", [](const std::string&) { return std::string(); });
  CliLogin login;
  login.user = "admin";
  login.password = "pw-secret-9";
  CliSession session(std::make_unique<TelnetStream>("127.0.0.1", router.Port()), login, 1000);
  const ConnectStatus opened = session.Open();
  EXPECT_FALSE(opened.ok());
  EXPECT_FALSE(opened.refused());
  EXPECT_EQ(opened.message(), "127.0.0.1:" + std::to_string(router.Port()) +
                                  " did not answer the login of user admin within 1 s");
}

}  // namespace
