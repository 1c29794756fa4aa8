// What the store does with stores it did not write as they are: a hand-edited
// row is an error naming its table and row, and two processes making the
// same new store at once both get it whole.
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "network/NetworkCommands.h"
#include "store/ResultsStore.h"
#include "store/RunDiff.h"
#include "store/Store.h"
#include "tests/store/StoreExamples.h"

using namespace testing;

namespace {

// What reading device pe1 of run 1 says.
std::string ReadingSays(const std::string& db) {
  std::unique_ptr<store::Store> results;
  std::string problem = store::OpenStore(db, store::Access::kRead).Into(results).message();
  if (!results) return problem;
  const Result<std::vector<store::StoredDevice>> devices = results->LoadDevices(1);
  if (!devices.ok()) return devices.message();
  if (devices.value().empty()) return "";
  const Result<report::Report> found = results->LoadReport(devices.value()[0]);
  return found.ok() ? "read" : found.message();
}

TEST(StoreChecks, AHandEditedRowIsAnErrorNamingItsTableAndRow) {
  TempFolder folder;
  const std::string db = folder.File("fleet.db");
  StoreRun(db, {Router("pe1", 1)});
  StoreRun(db, {Router("pe1", 1)});
  ASSERT_EQ(ReadingSays(db), "read");

  // The audit's edit: an entry of the label table never has in-interface lists.
  Execute(db, "UPDATE label_entries SET layout = 'label-table' WHERE id = 1");
  const std::string said = db +
                           ": table label_entry_in_interfaces, row (label_entry_id 1, position 0):"
                           " an entry of layout label-table has no in-interface lists";
  EXPECT_EQ(ReadingSays(db), said);
  network::NetworkOptions paths;
  paths.storePath = db;
  paths.run = 1;
  std::ostringstream out;
  EXPECT_EQ(network::ShowPaths(paths, out).message(), said);
  EXPECT_EQ(store::DiffRuns({db, std::nullopt, std::nullopt, "text"}, out).message(), said);
  Execute(db, "UPDATE label_entries SET layout = NULL");

  // Values of another type than the column's, or not UTF-8.
  Execute(db, "UPDATE label_entries SET out_if_index = 'ATM2/0.1' WHERE id = 1");
  EXPECT_EQ(ReadingSays(db),
            db + ": table label_entries, row 1: column out_if_index holds no integer");
  Execute(db, "UPDATE label_entries SET out_if_index = 4294967296 WHERE id = 1");
  EXPECT_EQ(ReadingSays(db),
            db + ": table label_entries, row 1: column out_if_index is out of range (4294967296)");
  Execute(
      db,
      "UPDATE label_entries SET out_if_index = 10; UPDATE vrfs SET name = x'ff00' WHERE id = 1");
  EXPECT_EQ(ReadingSays(db), db + ": table vrfs, row 1: column name holds no text");
  Execute(db, "UPDATE vrfs SET name = CAST(x'ff' AS TEXT) WHERE id = 1");
  EXPECT_EQ(ReadingSays(db), db + ": table vrfs, row 1: column name is not valid UTF-8");
  Execute(db, "UPDATE vrfs SET name = 'red'; UPDATE interfaces SET if_index = 2.5");
  EXPECT_EQ(ReadingSays(db), db + ": table interfaces, row 1: column if_index holds no integer");
  Execute(db, "UPDATE interfaces SET if_index = 10");
  EXPECT_EQ(ReadingSays(db), "read");
}

// Two runs making the same new store at once once saw a store half made
// ("is not a results store"): the check and the creation are one transaction.
TEST(StoreChecks, CreatorsOfOneNewStoreAtOnceBothGetIt) {
  TempFolder folder;
  const int kTries = 100, kCreators = 4;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const std::string db = folder.File("new-" + std::to_string(attempt) + ".db");
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    std::vector<pid_t> creators;
    for (int c = 0; c < kCreators; ++c) {
      const pid_t pid = fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        close(channel[1]);
        char go = 0;
        (void)!read(channel[0], &go, 1);  // all start together
        store::ResultsStore results;
        Status done = results.Open(db);
        if (done.ok()) done = results.BeginRun("fleet.yaml").status();
        if (!done.ok()) fprintf(stderr, "creator %d: %s\n", c, done.message().c_str());
        _exit(done.ok() ? 0 : 1);
      }
      creators.push_back(pid);
    }
    close(channel[0]);
    close(channel[1]);  // the signal to start
    for (pid_t pid : creators) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "attempt " << attempt;
    }
    EXPECT_THAT(SqliteRows(db, "SELECT count(*) FROM runs"),
                ElementsAre(std::to_string(kCreators)));
  }
}

}  // namespace
