// One CLI session on a router in memory: replies of any size come whole, a
// password alone logs in, and a login that ends early is a clear problem,
// never a hang.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "tests/transports/FakeRouterStream.h"
#include "transports/CliSession.h"

namespace {

using namespace testing;

TEST(CliSession, HugeRepliesAndEndlessLinesComeWhole) {
  std::string table;
  while (table.size() < 16u << 20) table += "label 1000 via ATM2/0.12 to 10.1.1.1\r\n";
  const std::string endless = std::string(8u << 20, 'x') + "\r\n";
  for (const std::string& reply : {table, endless}) {
    auto router = std::make_shared<FakeRouter>();
    router->replies["show mpls forwarding"] = reply;
    CliSession session(std::make_unique<FakeRouterStream>(router), CliLogin(), 30000);
    const ConnectStatus opened = session.Open();
    ASSERT_TRUE(opened.ok()) << opened.message();
    std::string text;
    ASSERT_EQ(session.Run("show mpls forwarding", text), CliSession::Result::kReply);
    std::string expected = reply;
    expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
    EXPECT_EQ(text, expected);
  }
}

// A router that closes the connection at the user name may have refused it;
// one that goes quiet did not: giving up on it is ours.
TEST(CliSession, ALoginThatEndsEarlyIsAProblemNotAHang) {
  for (const bool closes : {true, false}) {
    SCOPED_TRACE(closes ? "closes" : "goes quiet");
    auto router = std::make_shared<FakeRouter>();
    router->loginPrompt = "User: ";
    router->loginCloses = closes;
    CliSession session(std::make_unique<FakeRouterStream>(router),
                       CliLogin{"admin", "pw-secret-9", ""}, 1000);
    const ConnectStatus opened = session.Open();
    EXPECT_FALSE(opened.ok());
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(opened.message().find("pw-secret-9"), std::string::npos);
    if (closes) {
      EXPECT_THAT(opened.message(), HasSubstr("closed the connection"));
    } else {
      EXPECT_FALSE(opened.refused());
      EXPECT_EQ(opened.message(), "fake:23 did not answer the login of user admin within 1 s");
    }
  }
}

// A router that asks only for a password; a wrong one is asked for again,
// which is a refusal that never shows the password.
TEST(CliSession, APasswordAloneLogsInAndAnotherIsRefused) {
  auto router = std::make_shared<FakeRouter>();
  router->loginPrompt = "Password: ";
  router->password = "pw-line-7";
  for (const std::string password : {"pw-line-7", "not-it-42"}) {
    CliSession session(std::make_unique<FakeRouterStream>(router), CliLogin{"", password, ""},
                       1000);
    const ConnectStatus opened = session.Open();
    EXPECT_EQ(opened.ok(), password == "pw-line-7") << opened.message();
    EXPECT_EQ(opened.refused(), !opened.ok());
    EXPECT_EQ(opened.message().find("not-it-42"), std::string::npos);
  }
  EXPECT_EQ(router->Connections(), 2);
}

}  // namespace
