// Which virtual router a request's commands run in. A router reads a command
// as words, so a switch with extra blanks moves as far as one without.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "readers/VirtualRouterCommand.h"

namespace {

using namespace testing;

TEST(VirtualRouterCommand, BlanksAroundTheNameDoNotChangeWhereTheSessionGoes) {
  EXPECT_EQ(SwitchedRouter("virtual-router vr2"), "vr2");
  EXPECT_EQ(SwitchedRouter("  virtual-router \t vr2  "), "vr2");
  EXPECT_EQ(SwitchedRouter("virtual-router a  b"), "a b");  // as the capture's reader keeps it
  EXPECT_EQ(SwitchedRouter("virtual-router"), std::nullopt);
  EXPECT_EQ(SwitchedRouter("virtual-router   "), std::nullopt);
  EXPECT_EQ(SwitchedRouter("virtual-routers vr2"), std::nullopt);
  EXPECT_EQ(SwitchedRouter("show virtual-router"), std::nullopt);
  EXPECT_EQ(SwitchCommand("vr2"), "virtual-router vr2");

  VirtualRouterFollower follower;
  EXPECT_EQ(follower.Router(), "default");
  EXPECT_FALSE(follower.Follow("show ip vrf"));
  EXPECT_TRUE(follower.Follow("virtual-router  vr7 "));
  EXPECT_EQ(follower.Router(), "vr7");
  EXPECT_FALSE(follower.Follow("virtual-router"));
  EXPECT_EQ(follower.Router(), "vr7");
}

}  // namespace
