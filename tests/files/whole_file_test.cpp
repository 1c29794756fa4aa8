// Whole-file writes: a file replaced whole or left as it was, links followed
// only to regular files, devices and FIFOs written in place, and no temporary
// left behind by a failure or a stopping signal.
#include "files/WholeFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/TempFolder.h"

using namespace testing;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WholeFile, ReplacesAFileOnlyWhenCommittedAndKeepsItsMode) {
  TempFolder folder;
  const std::string path = folder.Path() + "/report.json";
  folder.Write("report.json", "before\n");
  chmod(path.c_str(), 0640);
  {
    files::WholeFile file(path);
    ASSERT_TRUE(file.Open().ok());
    file.Stream() << "never kept\n";
    EXPECT_EQ(folder.Read("report.json"), "before\n");
    EXPECT_EQ(Names(folder.Path()).size(), 2u);  // the file and its temporary
  }
  EXPECT_THAT(Names(folder.Path()), ElementsAre("report.json"));
  EXPECT_EQ(folder.Read("report.json"), "before\n");

  const std::string large(300000, 'x');  // more than one block of the buffer
  ASSERT_TRUE(files::WriteWholeFile(path, large).ok());
  EXPECT_EQ(folder.Read("report.json"), large);
  struct stat written {};
  ASSERT_EQ(stat(path.c_str(), &written), 0);
  EXPECT_EQ(written.st_mode & 07777, 0640u);
  EXPECT_THAT(Names(folder.Path()), ElementsAre("report.json"));

  // A new name, and one whose folder does not exist.
  ASSERT_TRUE(files::WriteWholeFile(folder.Path() + "/new.txt", "new\n").ok());
  EXPECT_EQ(folder.Read("new.txt"), "new\n");
  EXPECT_THAT(files::WriteWholeFile(folder.Path() + "/none/x.txt", "x").message(),
              HasSubstr("No such file or directory"));
}

TEST(WholeFile, FollowsALinkOnlyToARegularFile) {
  TempFolder folder, elsewhere;
  const std::string victim = elsewhere.Path() + "/victim";
  elsewhere.Write("victim", "victim\n");

  // A link planted where a careless writer would put its temporary.
  symlink(victim.c_str(), (folder.Path() + "/report.json.partial").c_str());
  ASSERT_TRUE(files::WriteWholeFile(folder.Path() + "/report.json", "report\n").ok());
  EXPECT_EQ(elsewhere.Read("victim"), "victim\n");

  // A link named as the file: its regular file is replaced, the link stays.
  const std::string link = folder.Path() + "/linked.json";
  symlink(victim.c_str(), link.c_str());
  ASSERT_TRUE(files::WriteWholeFile(link, "through the link\n").ok());
  EXPECT_EQ(elsewhere.Read("victim"), "through the link\n");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_THAT(Names(elsewhere.Path()), ElementsAre("victim"));

  mkfifo((elsewhere.Path() + "/fifo").c_str(), 0600);
  const std::vector<std::pair<std::string, std::string>> refused = {
      {elsewhere.Path() + "/fifo", "something other than a regular file"},
      {elsewhere.Path(), "something other than a regular file"},
      {elsewhere.Path() + "/missing", "leads nowhere"}};
  for (const auto& [target, why] : refused) {
    const std::string refusedLink = folder.Path() + "/refused";
    fs::remove(refusedLink);
    symlink(target.c_str(), refusedLink.c_str());
    const Status written = files::WriteWholeFile(refusedLink, "x");
    EXPECT_FALSE(written.ok()) << target;
    EXPECT_THAT(written.message(), HasSubstr(why)) << target;
  }
  EXPECT_FALSE(fs::exists(elsewhere.Path() + "/missing"));
  EXPECT_EQ(files::WriteWholeFile(elsewhere.Path(), "x").message(), "it is a folder");
}

TEST(WholeFile, WritesAFifoInPlace) {
  TempFolder folder;
  const std::string fifo = folder.Path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = folder.Read("fifo"); });
  const Status written = files::WriteWholeFile(fifo, "through the pipe\n");
  EXPECT_TRUE(written.ok()) << written.message();
  reader.join();
  EXPECT_EQ(received, "through the pipe\n");
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_THAT(Names(folder.Path()), ElementsAre("fifo"));
}

// A child writes until it is told to stop; the folder then holds what it held before.
void StopWhileWriting(int signalNumber, const TempFolder& folder) {
  const std::string path = folder.Path() + "/report.json";
  const size_t before = Names(folder.Path()).size();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    files::WholeFile file(path);
    if (!file.Open().ok()) _exit(1);
    file.Stream() << std::string(100000, 'x') << std::flush;
    if (write(ready[1], "r", 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(ready[1]);
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  EXPECT_EQ(Names(folder.Path()).size(), before + 1);  // its temporary
  kill(child, signalNumber);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
}

TEST(WholeFile, AStoppedWriterLeavesNoTemporary) {
  TempFolder folder;
  folder.Write("report.json", "before\n");
  for (int signalNumber : {SIGTERM, SIGHUP}) {
    StopWhileWriting(signalNumber, folder);
    EXPECT_THAT(Names(folder.Path()), ElementsAre("report.json")) << signalNumber;
  }
  // SIGKILL leaves it to whoever knows the name, a fleet run for its workers.
  folder.Write(".report.json.other", "not ours\n");
  StopWhileWriting(SIGKILL, folder);
  files::RemoveLeftTemporaries(folder.Path() + "/report.json");
  EXPECT_THAT(Names(folder.Path()), ElementsAre(".report.json.other", "report.json"));
  EXPECT_EQ(folder.Read("report.json"), "before\n");
}

}  // namespace
