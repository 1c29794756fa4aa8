// Router output read as a terminal shows it: prompts, carriage returns, NULs
// and erased page marks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "transports/CliText.h"

using namespace testing;

namespace {

TEST(CliPrompt, NamesHostContextAndMode) {
  auto prompt = ParseCliPrompt("pe1-erx:vr2:red(config)#", "");
  ASSERT_TRUE(prompt);
  EXPECT_EQ(prompt->host, "pe1-erx");
  EXPECT_EQ(prompt->context, "vr2:red");
  EXPECT_EQ(prompt->mark, '#');

  prompt = ParseCliPrompt("pe1-erx> ", "pe1-erx");
  ASSERT_TRUE(prompt);
  EXPECT_EQ(prompt->context, "default");
  EXPECT_EQ(prompt->mark, '>');

  EXPECT_FALSE(ParseCliPrompt("pe2-erx#", "pe1-erx"));         // another host
  EXPECT_FALSE(ParseCliPrompt("pe1-erx-b#", "pe1-erx"));       // a longer name
  EXPECT_FALSE(ParseCliPrompt("pe1-erx#show ip", "pe1-erx"));  // a command line
  EXPECT_FALSE(ParseCliPrompt("Password:", ""));
}

TEST(CliText, LastLineIsWhereThePromptStands) {
  EXPECT_EQ(LastLine("show ip vrf\r\nred\r\npe1#"), "pe1#");
  EXPECT_EQ(LastLine("User: "), "User:");
  EXPECT_EQ(LastLine("done\r\n"), "");
  EXPECT_EQ(LastLine("x\n" + std::string(4096, 'y') + "pe1#"), "");  // no prompt is that long
}

TEST(CliText, CleaningDropsWhatTheTerminalErases) {
  const std::string erase = std::string(10, '\b') + std::string(10, ' ') + std::string(10, '\b');
  EXPECT_EQ(CleanCliText(std::string("a\r\nb\r\0\r\n\0", 9)), "a\nb\n");
  EXPECT_EQ(CleanCliText(std::string("\0", 1) + " --More-- " + erase + "Out 20 on ATM3/0.2\r\n"),
            "Out 20 on ATM3/0.2\n");
  EXPECT_EQ(CleanCliText(" --More-- " + erase + "\r\nnext\r\n"), "next\n");
  EXPECT_EQ(CleanCliText("  indented  \nno newline"), "  indented  \nno newline");
}

}  // namespace

TEST(CliText, RejectedCommandsAreErrorLinesOnly) {
  EXPECT_TRUE(IsCliError("% Invalid input detected at '^' marker.\n"));
  EXPECT_TRUE(IsCliError("        ^\n% Invalid input detected at '^' marker.\n\n"));
  EXPECT_FALSE(IsCliError(""));
  EXPECT_FALSE(IsCliError("Name   Default RD\n% 2 VRFs\n"));
}
