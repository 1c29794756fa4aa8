// The secrets file: only the names a device needs are kept from it.
#include "transports/Secrets.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

namespace {

TEST(Secrets, OnlyTheWantedNamesAreKeptFromTheFile) {
  TempFolder folder;
  const std::string file = folder.Path() + "/secrets";
  std::ofstream(file)
      << "ERX_PASSWORD = pw-1\r\n# a comment\nERX_COMMUNITY=cm-2\nLAB_KEY_PASSPHRASE=pp-3\n";
  chmod(file.c_str(), 0600);
  for (const char* name : {"ERX_PASSWORD", "ERX_COMMUNITY", "LAB_KEY_PASSPHRASE"}) unsetenv(name);
  Secrets wanted;
  Status loaded = wanted.Load(file, {"ERX_PASSWORD", "ERX_ENABLE_PASSWORD"});
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  EXPECT_EQ(wanted.Get("ERX_PASSWORD"), "pw-1");
  EXPECT_FALSE(wanted.Has("ERX_ENABLE_PASSWORD"));
  EXPECT_FALSE(wanted.Has("ERX_COMMUNITY"));
  EXPECT_FALSE(wanted.Has("LAB_KEY_PASSPHRASE"));

  Secrets every;
  loaded = every.Load(file);
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  EXPECT_EQ(every.Get("ERX_COMMUNITY"), "cm-2");
  EXPECT_EQ(every.Get("LAB_KEY_PASSPHRASE"), "pp-3");

  std::ofstream(file) << "ERX_PASSWORD=pw-1\nnot a line of its own pw-4\n";
  loaded = every.Load(file);
  EXPECT_FALSE(loaded.ok());
  EXPECT_EQ(loaded.message(), file + ":2: not a NAME=VALUE line");
  EXPECT_FALSE(every.Has("ERX_PASSWORD"));  // nothing of a bad file is kept
}

}  // namespace
