// A fresh temporary folder for one test, removed with its files at the end of
// the scope.
//
//   TempFolder folder;
//   Save(folder.Path() + "/capture");
//   EXPECT_EQ(folder.Read("capture/cli.log"), "...");
#ifndef TESTS_SUPPORT_TEMPFOLDER_H_
#define TESTS_SUPPORT_TEMPFOLDER_H_

#include <string>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  // The whole of `file` (relative to the folder), or "" when it cannot be read.
  std::string Read(const std::string& file) const;

 private:
  std::string path_;
};

#endif  // TESTS_SUPPORT_TEMPFOLDER_H_
