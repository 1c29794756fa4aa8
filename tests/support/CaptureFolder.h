// A captured device written to a fresh temporary folder, removed at the end of
// the scope.
//
//   CaptureFolder capture;
//   capture.Write("cli.log", "pe1#show ip vrf\n...");
//   capture.Write("snmp/vr1:red.walk", ".1.3.6.1.2.1.2.2.1.2.7 = STRING: \"ip2/0.7\"\n");
//   device.Load(capture.Path(), problem);
#ifndef TESTS_SUPPORT_CAPTUREFOLDER_H_
#define TESTS_SUPPORT_CAPTUREFOLDER_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

class CaptureFolder {
 public:
  CaptureFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "erx-capture-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? pattern : "";
  }
  CaptureFolder(const CaptureFolder&) = delete;
  CaptureFolder& operator=(const CaptureFolder&) = delete;
  ~CaptureFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }

  const std::string& Path() const { return path_; }

  void Write(const std::string& relativePath, const std::string& text) const {
    const std::filesystem::path file = std::filesystem::path(path_) / relativePath;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
  }

 private:
  std::string path_;
};

#endif  // TESTS_SUPPORT_CAPTUREFOLDER_H_
