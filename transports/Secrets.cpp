#include "transports/Secrets.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

bool Secrets::Load(const std::string& file, std::string& problem) {
  fromFile_.clear();
  if (file.empty()) return true;
  struct stat info;
  if (stat(file.c_str(), &info) != 0) {
    problem = "cannot read the secrets file " + file;
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    problem = "the secrets file " + file + " is not a file";
    return false;
  }
  if (info.st_mode & (S_IRWXG | S_IRWXO)) {
    problem = "the secrets file " + file +
              " may be read by other users; make it private (chmod 600) first";
    return false;
  }
  std::ifstream in(file);
  if (!in) {
    problem = "cannot read the secrets file " + file;
    return false;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    const size_t equals = line.find('=', start);
    if (equals == std::string::npos) {
      // The line itself may be a secret: only its number is named.
      problem = file + ":" + std::to_string(number) + ": not a NAME=VALUE line";
      return false;
    }
    std::string name = line.substr(start, equals - start);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    // Blanks around '=' are layout, as in the name; a value's own blanks
    // after its first character are kept.
    const size_t value = line.find_first_not_of(" \t", equals + 1);
    fromFile_[name] = value == std::string::npos ? "" : line.substr(value);
  }
  return true;
}

bool Secrets::Has(const std::string& name) const {
  return fromFile_.count(name) || std::getenv(name.c_str());
}

std::string Secrets::Get(const std::string& name, const std::string& fallback) const {
  auto it = fromFile_.find(name);
  if (it != fromFile_.end()) return it->second;
  const char* value = std::getenv(name.c_str());
  return value ? value : fallback;
}
