// OpenSSH's algorithm options over libssh's defaults, and what a failed
// negotiation tells the user.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "transports/SshAlgorithms.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

TEST(SshAlgorithms, AddPutFirstTakeOrReplaceTheDefaults) {
  SshAlgorithms algorithms;
  ASSERT_TRUE(algorithms.Add("KexAlgorithms=+diffie-hellman-group14-sha1").ok());
  ASSERT_TRUE(algorithms.Add("HostKeyAlgorithms=^ssh-rsa").ok());
  ASSERT_TRUE(algorithms.Add("Ciphers=-chacha20-poly1305@openssh.com,aes128-ctr").ok());
  ASSERT_TRUE(algorithms.Add("MACs", "hmac-sha1").ok());

  const std::string kex = algorithms.Resolved("KexAlgorithms");
  EXPECT_THAT(kex, testing::StartsWith("curve25519-sha256,"));
  EXPECT_THAT(kex, testing::EndsWith(",diffie-hellman-group14-sha256,diffie-hellman-group14-sha1"));
  EXPECT_THAT(algorithms.Resolved("HostKeyAlgorithms"),
              testing::StartsWith("ssh-rsa,ssh-ed25519,"));
  EXPECT_EQ(algorithms.Resolved("Ciphers"),
            "aes256-gcm@openssh.com,aes128-gcm@openssh.com,aes256-ctr,aes192-ctr");
  EXPECT_EQ(algorithms.Resolved("MACs"), "hmac-sha1");

  // Adding what is there already moves nothing twice into the list.
  ASSERT_TRUE(algorithms.Add("KexAlgorithms=+curve25519-sha256").ok());
  EXPECT_THAT(algorithms.Resolved("KexAlgorithms"),
              Not(HasSubstr("curve25519-sha256,curve25519-sha256,")));
}

TEST(SshAlgorithms, RefusesWhatOpenSshWouldNotTake) {
  SshAlgorithms algorithms;
  Status added = algorithms.Add("Compression=yes");
  EXPECT_FALSE(added.ok());
  EXPECT_THAT(added.message(),
              HasSubstr("not one of KexAlgorithms, HostKeyAlgorithms, Ciphers, MACs"));
  added = algorithms.Add("KexAlgorithms");
  EXPECT_FALSE(added.ok());
  EXPECT_THAT(added.message(), HasSubstr("NAME=VALUE"));
  EXPECT_FALSE(algorithms.Add("Ciphers=+").ok());
  EXPECT_FALSE(algorithms.Add("Ciphers=aes128-cbc, 3des-cbc").ok());
  EXPECT_TRUE(algorithms.Options().empty());
}

TEST(SshAlgorithms, ANegotiationFailureNamesWhatTheRouterOfferedAndTheOption) {
  const std::string where = "10.0.0.1:22";
  EXPECT_EQ(SshAlgorithms::ExplainNegotiationFailure(
                "kex error : no match for method kex algos: server "
                "[diffie-hellman-group1-sha1,kex-strict-s-v00@openssh.com], "
                "client [curve25519-sha256]",
                where),
            "10.0.0.1:22 offers only key exchange methods that are not allowed by default "
            "(diffie-hellman-group1-sha1); if you accept them, allow one with --ssh-option "
            "KexAlgorithms=+diffie-hellman-group1-sha1 (inventory ssh_options: {KexAlgorithms: "
            "\"+diffie-hellman-group1-sha1\"})");
  for (const auto& [error, option] : std::vector<std::pair<std::string, std::string>>{
           {"no match for method server host key algo: server [ssh-rsa], client [ssh-ed25519]",
            "HostKeyAlgorithms=+ssh-rsa"},
           {"no match for method encryption client->server: server [aes128-cbc,3des-cbc], "
            "client [aes256-ctr]",
            "Ciphers=+aes128-cbc"},
           {"no match for method mac algo server->client: server [hmac-sha1], client [x]",
            "MACs=+hmac-sha1"}}) {
    EXPECT_THAT(SshAlgorithms::ExplainNegotiationFailure(error, where),
                HasSubstr("--ssh-option " + option));
  }
  EXPECT_EQ(SshAlgorithms::ExplainNegotiationFailure("Connection refused", where), "");
}

}  // namespace
