// A fresh temporary folder for one test, removed with its files at the end of
// the scope by the process that made it (a forked child leaves it alone).
//
//   TempFolder folder;
//   Save(folder.Path() + "/capture");
//   EXPECT_EQ(folder.Read("capture/cli.log"), "...");
#ifndef TESTS_SUPPORT_TEMPFOLDER_H_
#define TESTS_SUPPORT_TEMPFOLDER_H_

#include <sys/types.h>

#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  // The path of `file` in the folder.
  std::string File(const std::string& file) const { return path_ + "/" + file; }
  // The whole of `file` (relative to the folder), or "" when it cannot be read.
  std::string Read(const std::string& file) const;
  // `text` as the whole of `file`, its folders made as needed.
  void Write(const std::string& file, const std::string& text) const;

 private:
  std::string path_;
  pid_t owner_;
};

#endif  // TESTS_SUPPORT_TEMPFOLDER_H_
