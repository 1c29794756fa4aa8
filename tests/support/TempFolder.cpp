#include "tests/support/TempFolder.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TempFolder::TempFolder() : owner_(getpid()) {
  path_ = (fs::temp_directory_path() / "erx-test-XXXXXX").string();
  if (!mkdtemp(&path_[0])) path_.clear();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!path_.empty() && getpid() == owner_) fs::remove_all(path_, ignored);
}

std::string TempFolder::Read(const std::string& file) const {
  std::ifstream in(path_ + "/" + file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void TempFolder::Write(const std::string& file, const std::string& text) const {
  const fs::path path = fs::path(path_) / file;
  std::error_code ignored;
  fs::create_directories(path.parent_path(), ignored);
  std::ofstream(path, std::ios::binary) << text;
}
