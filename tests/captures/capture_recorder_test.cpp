// A live session saved as a captured device folder.
#include <filesystem>

#include <gtest/gtest.h>

#include "captures/CaptureRecorder.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

TEST(CaptureRecorder, WritesTheCaptureLayoutAndNothingOutsideIt) {
  CaptureRecorder recorder;
  recorder.Command("pe1#", "show ip vrf", "red\n");
  recorder.LastPrompt("pe1#");
  SnmpRow row;
  row.instance = {7};
  row.text = "ATM2/0.1";
  const char* ifDescr = SnmpColumnOid("ifDescr");
  recorder.Walk("", ifDescr, {row});
  recorder.Walk("@vr1:red", ifDescr, {row});
  // Context names are the router's words.
  recorder.Walk("@../escaped", ifDescr, {row});
  recorder.Walk("@a/b", ifDescr, {row});

  TempFolder folder;
  const std::string dir = folder.Path() + "/capture";
  const Status saved = recorder.Save(dir);
  ASSERT_TRUE(saved.ok()) << saved.message();
  EXPECT_EQ(folder.Read("capture/cli.log"), "pe1#show ip vrf\nred\npe1#\n");
  EXPECT_EQ(folder.Read("capture/snmp/vr1:red.walk"), folder.Read("capture/snmp.walk"));
  EXPECT_EQ(folder.Read("capture/snmp.walk"), ".1.3.6.1.2.1.2.2.1.2.7 = STRING: \"ATM2/0.1\"\n");
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder.Path()))
    files += entry.is_regular_file();
  EXPECT_EQ(files, 3);
}

}  // namespace
